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
void onNeighbour6(const Neighbour6Row& row, bool) {
  if (row.macLength > sizeof row.mac) __builtin_trap();
}
void onOverrun() {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  fake_kernel::load(data + 1, size - 1);
  // 0 to 4 as the seeds of the IPv4 readers were made; 5 to 9 the IPv6 ones.
  switch (data[0] % 10) {
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
    case 5: {
      std::vector<Neighbour6Row> rows;
      if (platform::getNeighbours6(rows) == 0)
        for (const Neighbour6Row& r : rows) onNeighbour6(r, false);
      break;
    }
    case 6: {
      std::vector<Route6Row> rows;
      if (platform::getRoutes6(rows) == 0)
        for (const Route6Row& r : rows)
          if (r.prefixLength > 128) __builtin_trap();
      break;
    }
    case 7: {
      std::vector<Address6Row> rows;
      if (platform::getAddresses6(rows) == 0)
        for (const Address6Row& r : rows)
          if (r.prefixLength > 128) __builtin_trap();
      break;
    }
    case 8:
      platform::setNeighbour6Sink(onNeighbour6);
      platform::watchNeighbours(onNeighbour, onOverrun);
      platform::setNeighbour6Sink(nullptr);
      break;
    default: {
      Neighbour6Row row;
      row.ifIndex = 1;
      row.addr[0] = 0xfe;
      row.macLength = 6;
      platform::setNeighbour6(row);
    }
  }
  return 0;
}
