// The IPv6 tables against the kernel: a neighbour learned from the peer and written
// permanent, routes with hops and lifetime, our own addresses, route and neighbour events.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/rtnetlink.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <tuple>

#include "lab_support.h"
#include "platform/listen_platform.h"

namespace {

using namespace std::chrono_literals;

bool same(const std::uint8_t* bytes, const char* text) {
  std::uint8_t a[16] = {};
  return inet_pton(AF_INET6, text, a) == 1 && std::memcmp(bytes, a, 16) == 0;
}

std::atomic<int> routerEvents{0}, routeEvents{0};

bool waitFor(const std::atomic<int>& value, std::chrono::milliseconds limit) {
  for (auto end = std::chrono::steady_clock::now() + limit; value.load() == 0;) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

Neighbour6Row neighbour(const char* text) {
  std::vector<Neighbour6Row> rows;
  EXPECT_EQ(platform::getNeighbours6(rows), 0u);
  for (const Neighbour6Row& r : rows)
    if (same(r.addr, text) && r.ifIndex == ifIndex(kIf1)) return r;
  ADD_FAILURE() << text << " not in the table";
  return {};
}

TEST(Ipv6Lab, NeighboursRoutesAddressesAndEvents) {
  ASSERT_EQ(
      sh("ip -6 addr add fd77:1::1/64 dev lbh1 nodad && ip -6 addr add fd77:2::1/64 dev "
         "lbh2 nodad && ip -n " +
         std::string(std::getenv("LAB_PEER1_NS")) + " -6 addr add fd77:1::2/64 dev lbp1 nodad"),
      0);
  platform::setNeighbour6Sink([](const Neighbour6Row& row, bool removed) {
    if (!removed && row.router && same(row.addr, "fd77:1::9")) ++routerEvents;
  });
  std::thread([] { platform::watchNeighbours([](const ArpRow&, bool) {}, [] {}); }).detach();
  std::thread([] { routeEvents += platform::notifyRoute6Change() == 0; }).detach();
  std::this_thread::sleep_for(300ms);  // both watches joined

  ASSERT_EQ(sh("ping -6 -c1 -W2 fd77:1::2 >/dev/null"), 0);  // learned from the peer's answer
  Neighbour6Row row = neighbour("fd77:1::2");
  EXPECT_EQ(std::tuple(row.type, row.router, row.macLength, int{row.mac[5]}),
            std::tuple(3u, false, 6u, 0x02));
  ASSERT_EQ(platform::setNeighbour6(row), 0u);
  EXPECT_EQ(neighbour("fd77:1::2").type, 4u);
  ASSERT_EQ(sh("ip -6 neigh add fd77:1::9 lladdr 02:77:01:00:00:09 dev lbh1 nud stale router"), 0);
  EXPECT_TRUE(waitFor(routerEvents, 2s)) << "no IPv6 neighbour event with the router flag";
  EXPECT_TRUE(neighbour("fd77:1::9").router);

  EXPECT_EQ(routeEvents.load(), 0) << "a route event before any route changed";
  ASSERT_EQ(sh("ip -6 route add default via fd77:1::2 dev lbh1 metric 7"), 0);
  EXPECT_TRUE(waitFor(routeEvents, 3s)) << "no IPv6 route event";
  ASSERT_EQ(sh("ip -6 route add fd77:9::/64 via fd77:1::2 expires 300 && ip -6 route add "
               "fd77:8::/64 nexthop via fd77:1::2 dev lbh1 nexthop via fd77:2::2 dev lbh2"),
            0);
  std::vector<Route6Row> routes;
  ASSERT_EQ(platform::getRoutes6(routes), 0u);
  int seen = 0;  // a bit per row expected
  for (const Route6Row& r : routes)
    seen |= (r.prefixLength == 0 && same(r.gateway, "fd77:1::2") && r.ifIndex == ifIndex(kIf1) &&
             r.metric == 7 && r.proto == RTPROT_BOOT && r.lifetime == 0xffffffff) |
            (same(r.dest, "fd77:9::") && r.lifetime > 290 && r.lifetime <= 300) << 1 |
            (same(r.dest, "fd77:8::") && r.ifIndex == ifIndex(kIf1)) << 2 |
            (same(r.dest, "fd77:8::") && r.ifIndex == ifIndex(kIf2)) << 3;
  EXPECT_EQ(seen, 0xf);

  std::vector<Address6Row> own;
  ASSERT_EQ(platform::getAddresses6(own), 0u);
  seen = 0;  // global, link-local and loopback
  for (const Address6Row& a : own)
    seen |= (same(a.addr, "fd77:1::1") && a.ifIndex == ifIndex(kIf1) && a.prefixLength == 64) |
            (a.addr[0] == 0xfe && (a.addr[1] & 0xc0) == 0x80 && a.ifIndex == ifIndex(kIf2)) << 1 |
            (same(a.addr, "::1") && a.prefixLength == 128) << 2;
  EXPECT_EQ(seen, 7);
  sh("ip -6 route flush proto boot; ip -6 neigh flush all nud all; ip -6 addr flush scope global");
}

}  // namespace
