#include "scan/range_offer.h"

#include "route/adapters.h"

OfferedRange networkHosts(std::uint32_t address, std::uint32_t mask) {
  const std::uint32_t network = address & mask;
  const std::uint32_t broadcast = network | ~mask;
  const bool hostsOnly = broadcast - network >= 2;
  return {hostsOnly ? network + 1 : network, hostsOnly ? broadcast - 1 : broadcast};
}

OfferedRange offeredRangeFor(std::uint32_t address, std::uint32_t mask) {
  // A scan holds at most 65536 addresses.
  return networkHosts(address, mask < 0xFFFF0000u ? 0xFFFF0000u : mask);
}

bool offeredScanRange(OfferedRange& range) {
  for (const LocalAddress& a : LocalAddressList) {
    if (a.address == 0 || a.mask == 0 || a.address >> 24 == 127) continue;  // no loopback
    range = offeredRangeFor(a.address, a.mask);
    return true;
  }
  return false;
}
