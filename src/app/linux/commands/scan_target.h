#pragma once
// What `vetrel scan` probes: the range as written (FROM [TO], ADDRESS/BITS, FROM-TO) or the
// local network (--localnet), and how much of it the interfaces' subnets can reach.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/adapter_platform.h"

struct ScanTarget {
  std::uint32_t first = 0, last = 0;  // host order
  std::string error;                  // non-empty: the operands are unusable (exit 2)
};
// FROM [TO] (TO defaults to FROM), ADDRESS/BITS (the hosts of that network, a /31 or /32
// whole) or FROM-TO; addresses as the scan tab reads them. At most kMaxScanAddresses.
ScanTarget readScanTarget(const std::vector<std::string>& operands);

struct ScanSubnet {
  std::string interfaceName;
  std::uint32_t address = 0, mask = 0;  // host order
};
// The adapters' IPv4 subnets (only interfaceName's when it is not empty), in the system's
// order.
std::vector<ScanSubnet> scanSubnets(const std::vector<PlatformAdapter>& adapters,
                                    const std::string& interfaceName);
// How many addresses of first..last lie in at least one of the subnets.
std::uint64_t addressesOnSubnets(std::uint32_t first, std::uint32_t last,
                                 const std::vector<ScanSubnet>& subnets);
// "eth0 10.66.0.1/24, eth1 ..." for a message.
std::string subnetsText(const std::vector<ScanSubnet>& subnets);
