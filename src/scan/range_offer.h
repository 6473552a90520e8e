#pragma once
// The range the scan page offers on first use: the network of the first adapter's address.
#include <cstdint>

struct OfferedRange {
  std::uint32_t first = 0, last = 0;  // host order
};

// The first and last host of the first address of LocalAddressList with a mask, loopback
// skipped; a /31 or
// /32 gives its addresses whole. A network larger than one scan may hold is narrowed to the
// /16 around the address. False when no adapter has an address.
bool offeredScanRange(OfferedRange& range);
// The same for one address and its mask (host order): the hosts of its network, narrowed to
// the /16 around it when larger.
OfferedRange offeredRangeFor(std::uint32_t address, std::uint32_t mask);
// The hosts of a network, network + 1 to broadcast - 1; a /31 or /32 whole. Not narrowed.
OfferedRange networkHosts(std::uint32_t address, std::uint32_t mask);
