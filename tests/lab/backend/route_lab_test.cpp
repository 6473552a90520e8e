// The main routing table: change events, rows, deletion and addition, address table.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/rtnetlink.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

#include "lab_support.h"
#include "platform/adapter_platform.h"
#include "platform/route_platform.h"

namespace {

using namespace std::chrono_literals;

// A copy, so that a table read on the spot cannot leave a dangling row behind.
std::optional<RouteRow> findRoute(const std::vector<RouteRow>& rows, const char* dest,
                                  const char* mask) {
  for (const RouteRow& r : rows)
    if (r.dest == ipn(dest) && r.mask == ipn(mask)) return r;
  return std::nullopt;
}

std::vector<RouteRow> routes() {
  std::vector<RouteRow> rows;
  EXPECT_EQ(platform::getIpForwardTable(rows), 0u);
  return rows;
}

// A waiter thread that outlives a failed test without blocking its end.
struct Waiter {
  std::atomic<int> wakes{0};
  std::atomic<std::uint32_t> last{0xFFFFFFFF};
};

bool waitFor(const std::atomic<int>& value, int atLeast, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (value.load() < atLeast) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

TEST(RouteLab, AddedRouteWakesTheWaitAndShowsInTheTable) {
  auto w = std::make_shared<Waiter>();
  std::thread([w] {
    for (int i = 0; i < 2; ++i) {
      w->last = platform::notifyRouteChange();
      ++w->wakes;
      // Not waiting now: a change in this gap must still wake the next call.
      std::this_thread::sleep_for(400ms);
    }
  }).detach();
  std::this_thread::sleep_for(300ms);
  ASSERT_EQ(sh("ip route add 10.200.0.0/16 via 10.77.1.2 metric 9"), 0);
  if (!waitFor(w->wakes, 1, 3s)) {  // the waiter may have joined late: one more change
    sh("ip route add 10.201.0.0/16 via 10.77.1.2");
    ASSERT_TRUE(waitFor(w->wakes, 1, 3s)) << "no route-change event";
  }
  EXPECT_EQ(w->last.load(), 0u);
  EXPECT_EQ(platform::lastErrorCode(), 0u);
  ASSERT_EQ(sh("ip route add 10.202.0.0/16 dev lbh2"), 0);  // while the waiter sleeps
  EXPECT_TRUE(waitFor(w->wakes, 2, 2s)) << "a change between two waits was missed";

  std::vector<RouteRow> rows = routes();
  std::optional<RouteRow> r = findRoute(rows, "10.200.0.0", "255.255.0.0");
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->nextHop, ipn("10.77.1.2"));
  EXPECT_EQ(r->ifIndex, ifIndex(kIf1));
  EXPECT_EQ(r->type, 4u);
  EXPECT_EQ(r->proto, static_cast<std::uint32_t>(RTPROT_BOOT));
  EXPECT_EQ(r->metric1, 9u);
  r = findRoute(rows, "10.77.2.0", "255.255.255.0");  // the connected subnet
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->nextHop, 0u);
  EXPECT_EQ(r->ifIndex, ifIndex(kIf2));
  EXPECT_EQ(r->type, 3u);
  EXPECT_EQ(r->proto, static_cast<std::uint32_t>(RTPROT_KERNEL));
  EXPECT_FALSE(
      findRoute(rows, "10.77.1.1", "255.255.255.255").has_value());  // local table: not shown
  sh("ip route del 10.200.0.0/16; ip route del 10.201.0.0/16 2>/dev/null; "
     "ip route del 10.202.0.0/16");
}

bool sameRow(const RouteRow& a, const RouteRow& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(RouteLab, DeleteAndAddRoundTrip) {
  ASSERT_EQ(sh("ip route add 10.210.0.0/16 via 10.77.2.2 metric 5"), 0);
  std::optional<RouteRow> found = findRoute(routes(), "10.210.0.0", "255.255.0.0");
  ASSERT_TRUE(found.has_value());
  const RouteRow original = *found;
  ASSERT_EQ(platform::deleteIpForwardEntry(original), 0u);
  EXPECT_FALSE(findRoute(routes(), "10.210.0.0", "255.255.0.0").has_value());
  EXPECT_EQ(platform::deleteIpForwardEntry(original), static_cast<std::uint32_t>(ESRCH));

  RouteAddRequest add{"10.210.0.0", "255.255.0.0", "10.77.2.2", "5", "route add ..."};
  ASSERT_TRUE(platform::addRoute(add));
  found = findRoute(routes(), "10.210.0.0", "255.255.0.0");
  ASSERT_TRUE(found.has_value());
  EXPECT_TRUE(sameRow(*found, original));
  RouteCommandFailure refused;
  EXPECT_TRUE(platform::addRoute(add, &refused));  // a duplicate is refused by the kernel...
  EXPECT_EQ(refused.code, static_cast<std::uint32_t>(EEXIST));
  EXPECT_EQ(sh("ip route show 10.210.0.0/16 | wc -l | grep -qx 1"), 0);  // ...and not added
  ASSERT_EQ(platform::deleteIpForwardEntry(*found), 0u);

  RouteAddRequest noMetric{"10.211.0.0", "255.255.255.0", "10.77.1.2", "", "route add ..."};
  ASSERT_TRUE(platform::addRoute(noMetric));
  found = findRoute(routes(), "10.211.0.0", "255.255.255.0");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->metric1, 0u);
  EXPECT_EQ(found->ifIndex, ifIndex(kIf1));
  ASSERT_EQ(platform::deleteIpForwardEntry(*found), 0u);

  // Requests the kernel refuses still count as made; nothing lands in the table.
  const std::size_t before = routes().size();
  for (RouteAddRequest bad : {RouteAddRequest{"10.212.0.0", "255.255.0.0", "192.0.2.1", "", ""},
                              RouteAddRequest{"10.212.0.0", "255.0.255.0", "10.77.1.2", "", ""},
                              RouteAddRequest{"10.212.0.1", "255.255.0.0", "10.77.1.2", "", ""},
                              RouteAddRequest{"10.212.0.0", "255.255.0.0", "10.77.1.2", "x", ""},
                              RouteAddRequest{"garbage", "255.255.0.0", "10.77.1.2", "", ""}})
    EXPECT_TRUE(platform::addRoute(bad));
  EXPECT_EQ(routes().size(), before);

  RouteRow badMask = original;
  badMask.mask = ipn("255.0.255.0");
  EXPECT_EQ(platform::deleteIpForwardEntry(badMask), static_cast<std::uint32_t>(EINVAL));
}

TEST(RouteLab, AddressTableAndAdapters) {
  ASSERT_EQ(sh("ip addr add 10.77.1.5/24 dev lbh1"), 0);  // a second address, secondary
  std::vector<IpAddrRow> rows;
  ASSERT_EQ(platform::getIpAddrTable(rows), 0u);
  bool sawOwn = false, sawLoopback = false;
  for (const IpAddrRow& r : rows) {
    if (r.addr == ipn("10.77.1.1")) {
      sawOwn = true;
      EXPECT_EQ(r.index, ifIndex(kIf1));
      EXPECT_EQ(r.mask, ipn("255.255.255.0"));
    }
    if (r.addr == ipn("127.0.0.1")) sawLoopback = true;
  }
  EXPECT_TRUE(sawOwn);
  EXPECT_TRUE(sawLoopback);

  std::vector<PlatformAdapter> adapters;
  ASSERT_EQ(platform::getAdapters(adapters), 0u);
  ASSERT_EQ(adapters.size(), 2u);
  EXPECT_EQ(adapters[0].name, kIf1);
  EXPECT_EQ(adapters[0].description, kIf1);
  EXPECT_EQ(adapters[0].macLength, 6u);
  EXPECT_EQ(adapters[0].mac[5], 0x01);
  ASSERT_EQ(adapters[0].addresses.size(), 2u);
  EXPECT_EQ(adapters[0].addresses[0].address, "10.77.1.1");
  EXPECT_EQ(adapters[0].addresses[1].address, "10.77.1.5");
  EXPECT_EQ(adapters[0].addresses[1].mask, "255.255.255.0");
  EXPECT_EQ(adapters[1].index, static_cast<std::int32_t>(ifIndex(kIf2)));
  sh("ip addr del 10.77.1.5/24 dev lbh1");
}

}  // namespace
