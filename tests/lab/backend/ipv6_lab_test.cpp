// The IPv6 tables against the kernel: a neighbour learned from the peer and written
// permanent, routes with hops and lifetime, our own addresses, route and neighbour events.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/rtnetlink.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "lab_support.h"
#include "platform/listen_platform.h"
#include "platform/neighbour6_platform.h"

namespace {

using namespace std::chrono_literals;

struct In6 {
  std::uint8_t b[16] = {};
};
In6 in6(const char* text) {
  In6 a;
  inet_pton(AF_INET6, text, a.b);
  return a;
}
bool same(const std::uint8_t* bytes, const char* text) {
  return std::memcmp(bytes, in6(text).b, 16) == 0;
}

const Neighbour6Row* findNeighbour(const std::vector<Neighbour6Row>& rows, const char* text) {
  for (const Neighbour6Row& r : rows)
    if (same(r.addr, text) && r.ifIndex == ifIndex(kIf1)) return &r;
  return nullptr;
}

std::atomic<int> routerEvents{0};
void onNeighbour6(const Neighbour6Row& row, bool removed) {
  if (!removed && row.router && same(row.addr, "fd77:1::9")) ++routerEvents;
}

bool waitFor(const std::atomic<int>& value, std::chrono::milliseconds limit) {
  for (auto end = std::chrono::steady_clock::now() + limit; value.load() == 0;) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

TEST(Ipv6Lab, NeighboursRoutesAddressesAndEvents) {
  const std::string peer = std::getenv("LAB_PEER1_NS");
  ASSERT_EQ(sh("ip -6 addr add fd77:1::1/64 dev lbh1 nodad && ip -6 addr add fd77:2::1/64 dev "
               "lbh2 nodad && ip -n " +
               peer + " -6 addr add fd77:1::2/64 dev lbp1 nodad"),
            0);
  platform::setNeighbour6Sink(onNeighbour6);
  std::thread([] { platform::watchNeighbours([](const ArpRow&, bool) {}, [] {}); }).detach();
  auto wakes = std::make_shared<std::atomic<int>>(0);
  std::thread([wakes] {
    if (platform::notifyRoute6Change() == 0) ++*wakes;
  }).detach();
  std::this_thread::sleep_for(300ms);  // both watches joined

  // Learned from the peer's answer, then written back permanent.
  ASSERT_EQ(sh("ping -6 -c1 -W2 fd77:1::2 >/dev/null"), 0);
  std::vector<Neighbour6Row> rows;
  ASSERT_EQ(platform::getNeighbours6(rows), 0u);
  const Neighbour6Row* learned = findNeighbour(rows, "fd77:1::2");
  ASSERT_NE(learned, nullptr);
  EXPECT_EQ(learned->type, 3u);
  EXPECT_FALSE(learned->router);
  ASSERT_EQ(learned->macLength, 6u);
  EXPECT_EQ(learned->mac[0] + learned->mac[5], 0x02 + 0x02);
  Neighbour6Row permanent = *learned;
  permanent.macLength = 4;
  EXPECT_EQ(platform::setNeighbour6(permanent), static_cast<std::uint32_t>(EINVAL));
  permanent.macLength = 6;
  ASSERT_EQ(platform::setNeighbour6(permanent), 0u);
  ASSERT_EQ(platform::getNeighbours6(rows), 0u);
  ASSERT_NE(findNeighbour(rows, "fd77:1::2"), nullptr);
  EXPECT_EQ(findNeighbour(rows, "fd77:1::2")->type, 4u);
  EXPECT_EQ(std::memcmp(findNeighbour(rows, "fd77:1::2")->mac, permanent.mac, 8), 0);
  EXPECT_NE(capture("ip -6 neigh show fd77:1::2 dev lbh1").find("PERMANENT"), std::string::npos);

  ASSERT_EQ(sh("ip -6 neigh add fd77:1::9 lladdr 02:77:01:00:00:09 dev lbh1 nud stale router"), 0);
  EXPECT_TRUE(waitFor(routerEvents, 2s)) << "no IPv6 neighbour event with the router flag";
  ASSERT_EQ(platform::getNeighbours6(rows), 0u);
  ASSERT_NE(findNeighbour(rows, "fd77:1::9"), nullptr);
  EXPECT_TRUE(findNeighbour(rows, "fd77:1::9")->router);

  EXPECT_EQ(wakes->load(), 0) << "a route event before any route changed";
  ASSERT_EQ(sh("ip -6 route add default via fd77:1::2 dev lbh1 metric 7"), 0);
  EXPECT_TRUE(waitFor(*wakes, 3s)) << "no IPv6 route event";
  ASSERT_EQ(sh("ip -6 route add fd77:9::/64 via fd77:1::2 expires 300 && ip -6 route add "
               "fd77:8::/64 nexthop via fd77:1::2 dev lbh1 nexthop via fd77:2::2 dev lbh2 && "
               "ip -6 route add unreachable fd77:7::/64"),
            0);
  std::vector<Route6Row> routes;
  ASSERT_EQ(platform::getRoutes6(routes), 0u);
  int defaults = 0, expiring = 0, hops = 0, connected = 0;
  for (const Route6Row& r : routes) {
    if (r.prefixLength == 0 && same(r.gateway, "fd77:1::2") && r.ifIndex == ifIndex(kIf1) &&
        r.metric == 7 && r.proto == RTPROT_BOOT && r.lifetime == 0xffffffff)
      ++defaults;
    if (same(r.dest, "fd77:9::") && r.lifetime > 290 && r.lifetime <= 300) ++expiring;
    if (same(r.dest, "fd77:8::") && r.prefixLength == 64)
      hops |= r.ifIndex == ifIndex(kIf2) ? 2 : 1;
    if (same(r.dest, "fd77:1::") && same(r.gateway, "::") && r.proto == RTPROT_KERNEL) ++connected;
    EXPECT_FALSE(same(r.dest, "fd77:7::")) << "an unreachable route is listed";
  }
  EXPECT_EQ(defaults + expiring + connected, 3);
  EXPECT_EQ(hops, 3) << "a row per hop";

  std::vector<Address6Row> own;
  ASSERT_EQ(platform::getAddresses6(own), 0u);
  int found = 0;
  for (const Address6Row& a : own) {
    if (same(a.addr, "fd77:1::1") && a.ifIndex == ifIndex(kIf1) && a.prefixLength == 64) found |= 1;
    if (a.addr[0] == 0xfe && (a.addr[1] & 0xc0) == 0x80 && a.ifIndex == ifIndex(kIf2)) found |= 2;
    if (same(a.addr, "::1") && a.prefixLength == 128) found |= 4;
  }
  EXPECT_EQ(found, 7) << "global, link-local and loopback addresses";
  std::vector<DnsServerRow> dns;
  EXPECT_EQ(platform::getDnsServers(dns), kErrorNotSupported);

  sh("ip -6 route flush proto boot; ip -6 neigh flush "
     "all nud all; ip -6 addr flush scope global");
}

}  // namespace
