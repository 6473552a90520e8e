// Netlink replies and events, through the real netlink.cpp and its parsers. The first byte
// picks the caller; the rest is what the fake kernel answers (fake_kernel.h).
#include <cstdint>
#include <vector>

#include "fake_kernel.h"
#include "platform/adapter_platform.h"
#include "platform/arp_platform.h"
#include "platform/errors.h"
#include "platform/listen_platform.h"
#include "platform/neighbour6_platform.h"
#include "platform/route_platform.h"

namespace {
void onNeighbour(const ArpRow&, bool) {}
void onNeighbour6(const Neighbour6Row&, bool) {}
void onOverrun() {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  fake_kernel::load(data + 1, size - 1);
  // 0 to 4 as the seeds of the IPv4 readers were made; 5 to 7 the IPv6 ones.
  switch (data[0] % 8) {
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
    case 4:
      platform::deleteIpNetEntry(ArpRow{1, 6, {2, 0, 0, 0, 0, 1}, 0x0100000a, kArpTypeStatic});
      break;
    case 5: {  // the three IPv6 tables, one after another
      std::vector<Neighbour6Row> neighbours;
      std::vector<Route6Row> routes;
      std::vector<Address6Row> addresses;
      platform::getNeighbours6(neighbours);
      platform::getRoutes6(routes);
      platform::getAddresses6(addresses);
      break;
    }
    case 6:
      platform::setNeighbour6Sink(onNeighbour6);  // the IPv4 watch of case 3 hands them on too
      platform::watchNeighbours(onNeighbour, onOverrun);
      break;
    default:
      platform::setNeighbour6(Neighbour6Row{1, {0xfe, 0x80}, {2}, 6, 4, false});
  }
  return 0;
}
