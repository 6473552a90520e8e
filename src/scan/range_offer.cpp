#include "scan/range_offer.h"

#include "route/adapters.h"

bool offeredScanRange(OfferedRange& range) {
  for (const LocalAddress& a : LocalAddressList) {
    if (a.address == 0 || a.mask == 0 || a.address >> 24 == 127) continue;  // no loopback
    // A scan holds at most 65536 addresses.
    const std::uint32_t mask = a.mask < 0xFFFF0000u ? 0xFFFF0000u : a.mask;
    const std::uint32_t network = a.address & mask;
    const std::uint32_t broadcast = network | ~mask;
    const bool hostsOnly = broadcast - network >= 2;
    range.first = hostsOnly ? network + 1 : network;
    range.last = hostsOnly ? broadcast - 1 : broadcast;
    return true;
  }
  return false;
}
