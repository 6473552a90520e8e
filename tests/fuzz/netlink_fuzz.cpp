// Netlink replies and events, through the real netlink.cpp and its parsers. The first byte
// picks the caller; the rest is what the fake kernel answers (fake_kernel.h).
#include <cstdint>
#include <vector>

#include "fake_kernel.h"
#include "platform/adapter_platform.h"
#include "platform/arp_platform.h"
#include "platform/errors.h"
#include "platform/listen_platform.h"
#include "platform/route_platform.h"

namespace {
void onNeighbour(const ArpRow&, bool) {}
void onOverrun() {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  fake_kernel::load(data + 1, size - 1);
  switch (data[0] % 5) {
    case 0: {
      // Room for every row the input can hold: "insufficient buffer" would be a lie.
      static std::vector<std::uint8_t> table(1 << 20);
      std::uint32_t offered = static_cast<std::uint32_t>(table.size());
      if (platform::getIpNetTable(table.data(), &offered, true) == kErrorInsufficientBuffer)
        __builtin_trap();
      break;
    }
    case 1: {
      std::vector<PlatformAdapter> adapters;
      platform::getAdapters(adapters);
      break;
    }
    case 2: {
      std::vector<RouteRow> routes;
      platform::getIpForwardTable(routes);
      break;
    }
    case 3:
      platform::watchNeighbours(onNeighbour, onOverrun);  // returns when the input ends
      break;
    default:
      platform::deleteIpNetEntry(ArpRow{1, 6, {2, 0, 0, 0, 0, 1}, 0x0100000a, kArpTypeStatic});
  }
  return 0;
}
