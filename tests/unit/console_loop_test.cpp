// The console's loop pieces: the steady tick, the hand-over queue and the pump that runs
// inside a route refresh.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "app/linux/console/console_text.h"
#include "app/linux/runtime/console_session.h"
#include "app/linux/runtime/live_watch.h"
#include "app/linux/runtime/main_queue.h"
#include "app/linux/runtime/monitor_loop.h"
#include "arp/arp_table.h"
#include "arp/check_cycle.h"
#include "arp/samples.h"
#include "arp/wire_bindings.h"
#include "base/address.h"
#include "base/ui_hooks.h"
#include "fake/fake_platform.h"
#include "route/route_table.h"
#include "scratch_dir.h"
#include "settings/settings.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(ConsoleTick, ScheduleDoesNotDriftWithSlowTicks) {
  TickSchedule s;
  const auto t0 = Clock::time_point{} + 100s;
  startTicks(s, t0);
  EXPECT_FALSE(tickDue(s, t0 + 999ms));
  // Every tick runs 300 ms late; the next one is still due on the whole second.
  for (int i = 1; i <= 5; ++i) {
    const auto ran = t0 + i * 1s + 300ms;
    ASSERT_TRUE(tickDue(s, ran));
    takeTick(s, ran);
    EXPECT_EQ(s.next, t0 + (i + 1) * 1s);
  }
  EXPECT_EQ(s.ticks, 5u);
  EXPECT_EQ(s.maxLateness, 300ms);
  // Two seconds behind: the missed tick follows at once, as a timer's would.
  takeTick(s, t0 + 8s);
  EXPECT_TRUE(tickDue(s, t0 + 8s));
  stopTicks(s);
  EXPECT_FALSE(tickDue(s, t0 + 60s));
}

TEST(ConsoleTick, LongStallRestartsTheScheduleInsteadOfABurst) {
  TickSchedule s;
  const auto t0 = Clock::time_point{} + 100s;
  startTicks(s, t0);
  takeTick(s, t0 + 1s + 30s);  // a stopped process
  EXPECT_EQ(s.resyncs, 1u);
  EXPECT_EQ(s.next, t0 + 32s);
  EXPECT_EQ(s.maxLateness, 30s);
}

TEST(ConsoleQueue, RouteCountsCoalesceStopsDoNot) {
  MainQueue q;
  postMainEvent(q, {MainEventKind::RouteChange, 1});
  postMainEvent(q, {MainEventKind::Stop, 15});
  postMainEvent(q, {MainEventKind::RouteChange, 2});
  postMainEvent(q, {MainEventKind::RouteChange, 3});
  postMainEvent(q, {MainEventKind::Stop, 2});
  MainEvent e{};
  ASSERT_TRUE(waitMainEvent(q, Clock::now(), e));
  EXPECT_EQ(e.kind, MainEventKind::RouteChange);
  EXPECT_EQ(e.value, 3u);
  ASSERT_TRUE(takeMainEvent(q, MainEventKind::Stop, e));
  EXPECT_EQ(e.value, 15u);
  EXPECT_FALSE(takeMainEvent(q, MainEventKind::RouteChange, e));
  ASSERT_TRUE(waitMainEvent(q, Clock::now(), e));
  EXPECT_EQ(e.value, 2u);
  const auto before = Clock::now();
  EXPECT_FALSE(waitMainEvent(q, before + 50ms, e));
  EXPECT_GE(Clock::now() - before, 50ms);
}

TEST(ConsoleQueue, WaitWakesForAnotherThreadsEvent) {
  MainQueue q;
  std::thread poster([&] {
    std::this_thread::sleep_for(30ms);
    postMainEvent(q, {MainEventKind::RouteChange, 7});
  });
  MainEvent e{};
  const bool got = waitMainEvent(q, Clock::now() + 5s, e);
  poster.join();
  ASSERT_TRUE(got);
  EXPECT_EQ(e.value, 7u);
}

class ConsolePump : public ::testing::Test {
 protected:
  ScratchDir scratch;  // a learned sample lands here, not in the caller's directory
  void SetUp() override {
    resetFake();
    resetConsoleSession();
    installConsoleHooks();
    resetCheckCycle();
    resetWireBindings();
    SampleList.clear();  // what an earlier run learned
    settings = Settings{};
    settings.CheckInt = 1000;  // ticks without checks
    routeChangeCount = 0;
    CacheList.clear();
    LastCacheList.clear();
    createArpSnapshot();
    // Journal lines and message boxes of these runs are not the test's output.
    consoleOut.fd = consoleErr.fd = ::open("/dev/null", O_WRONLY);
    MainEvent e{};
    while (waitMainEvent(mainQueue, Clock::now(), e)) {
    }
  }
  void TearDown() override {
    freeArpSnapshot();
    ::close(consoleOut.fd);
    consoleOut.fd = 1;
    consoleErr.fd = 2;
  }
};

TEST_F(ConsolePump, TicksStayOnTimeDuringARouteRefresh) {
  checkCountdown = 1000;
  startTicks(session.ticks, Clock::now() - 1s);  // one tick already due
  consoleRefreshRoutes(0);                       // about a second of waiting
  EXPECT_GE(session.ticks.ticks, 2u);
  EXPECT_LT(session.ticks.maxLateness, 300ms);
}

namespace {
int deepestRefresh = 0;
std::vector<std::uint32_t> refillCounts;
}  // namespace

TEST_F(ConsolePump, StreamOfChangesNestsOnceAndTheNewestIsRead) {
  fake.routes = {RouteRow{}};
  deepestRefresh = 0;
  refillCounts.clear();
  uiHooks.sleepMs = [](int ms) {
    deepestRefresh = std::max(deepestRefresh, session.refreshDepth);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  };
  uiHooks.clearList = [](ListId list) {
    if (list == ListId::Routes) refillCounts.push_back(routeChangeCount.load());
  };
  std::atomic<bool> done{false};
  std::thread watch([&] {
    // A change every 150 ms for 2.4 s, posted as the route watch posts them.
    for (int i = 0; i < 16; ++i) {
      const std::uint32_t n = ++routeChangeCount;
      postMainEvent(mainQueue, {MainEventKind::RouteChange, n});
      std::this_thread::sleep_for(150ms);
    }
    done = true;
  });
  const auto until = Clock::now() + 15s;
  MainEvent e{};
  while (Clock::now() < until) {
    if (waitMainEvent(mainQueue, Clock::now() + 50ms, e))
      consoleRefreshRoutes(e.value);
    else if (done)
      break;
  }
  watch.join();
  EXPECT_EQ(deepestRefresh, 2);
  ASSERT_FALSE(refillCounts.empty());
  EXPECT_EQ(refillCounts.back(), 16u);  // the last change was read after it happened
  EXPECT_LT(refillCounts.size(), 8u);   // and most were coalesced
}

namespace {

// Posts events from other threads at given times; a stop at the end guards against a loop
// that would never return. Joined before the test ends, so nothing reaches the next test.
struct LaterPosts {
  std::vector<std::thread> threads;
  std::atomic<bool> cancelled{false};
  void post(MainEvent e, std::chrono::milliseconds after) {
    threads.emplace_back([this, e, after] {
      const auto due = Clock::now() + after;
      while (Clock::now() < due)
        if (cancelled)
          return;
        else
          std::this_thread::sleep_for(5ms);
      postMainEvent(mainQueue, e);
    });
  }
  ~LaterPosts() {
    cancelled = true;
    for (auto& t : threads) t.join();
    MainEvent e{};
    while (waitMainEvent(mainQueue, Clock::now(), e)) {
    }
  }
};

}  // namespace

TEST_F(ConsolePump, StopSignalLeavesTheLoopForTheShutDown) {
  LaterPosts later;
  settings.CheckInt = 1;
  fake.arpRows = {fakeArpRow(2, "10.9.0.7", "02-00-00-00-00-07")};
  checkCountdown = 1;
  startTicks(session.ticks, Clock::now());
  later.post({MainEventKind::Stop, 15}, 1500ms);
  EXPECT_TRUE(runMonitorLoop());
  EXPECT_EQ(session.stopSignal, 15);
  EXPECT_GE(session.checks, 1u);
  EXPECT_EQ(CacheList.size(), 1u);
}

TEST_F(ConsolePump, FatalErrorInACheckLeavesWithoutTheShutDown) {
  LaterPosts later;
  settings.CheckInt = 1;
  // More rows than the first buffer holds, and an answer larger than it may grow to.
  fake.arpRows.assign(70, fakeArpRow(2, "10.9.0.7", "02-00-00-00-00-07"));
  fake.arpAskBytes = 0xFFFFFFF0u;
  checkCountdown = 1;
  startTicks(session.ticks, Clock::now() - 1s);
  later.post({MainEventKind::Stop, 15}, 5s);
  EXPECT_FALSE(runMonitorLoop());
  EXPECT_TRUE(session.ending);
  EXPECT_EQ(session.exitCode, 1);
}

TEST_F(ConsolePump, StoppedCheckTimerStillHandlesRouteChanges) {
  LaterPosts later;
  settings.CheckInt = 1;
  fake.arpError = 31;
  arpErrorCount = 500;  // the next failure is one too many
  checkCountdown = 1;
  startTicks(session.ticks, Clock::now() - 1s);
  RouteRows.clear();
  fake.routes = {RouteRow{}, RouteRow{}};
  routeChangeCount = 1;
  later.post({MainEventKind::RouteChange, 1}, 200ms);
  later.post({MainEventKind::Stop, 2}, 2500ms);
  EXPECT_TRUE(runMonitorLoop());
  EXPECT_FALSE(session.ticks.running);
  EXPECT_EQ(session.ticks.ticks, 1u);
  EXPECT_EQ(RouteRows.size(), 2u);  // refreshed after the timer had stopped
}

TEST_F(ConsolePump, TableChangesRunChecksBetweenTicksAndWireBatchesAreDecided) {
  LaterPosts later;
  settings.CheckMac = true;
  checkCountdown = 1000;                          // no timed check in this run
  startTicks(session.ticks, Clock::now() + 10s);  // nor a tick
  fake.arpRows = {fakeArpRow(2, "10.9.0.7", "02-00-00-00-00-07")};
  // A burst of changes while the loop waits: coalesced to one check; a later one runs another.
  for (int i = 0; i < 50; ++i) postMainEvent(mainQueue, {MainEventKind::TableChange, 0});
  later.post({MainEventKind::TableChange, 0}, 300ms);
  later.post({MainEventKind::Stop, 15}, 600ms);
  // A station heard on the wire only: handed over by the reading thread, decided here.
  enableWireBindings(true);
  WireBinding b{parseIpv4("10.9.0.8"), {2, 0, 0, 0, 0, 8}, 2};
  handWireBindings({b, b});
  EXPECT_TRUE(runMonitorLoop());
  enableWireBindings(false);
  EXPECT_EQ(session.eventChecks, 2u);
  EXPECT_EQ(session.checks, 0u);
  EXPECT_EQ(CacheList.size(), 1u);
  EXPECT_EQ(session.journalLines.load(), 2u);  // 10.9.0.7 from the table, 10.9.0.8 once
}

TEST(ConsoleNeighbourEvents, OnlyANewOrChangedBindingAsksForACheck) {
  struct Event {
    const char* mac;  // "" none (incomplete, failed)
    std::uint32_t type;
    bool removed;
    bool counts;
  };
  const Event events[] = {
      {"02-00-00-00-00-01", kArpTypeDynamic, false, true},   // added
      {"02-00-00-00-00-01", kArpTypeDynamic, false, false},  // reachable -> stale
      {"02-00-00-00-00-02", kArpTypeDynamic, false, true},   // another MAC
      {"02-00-00-00-00-02", kArpTypeStatic, false, true},    // made static (a restore)
      {"02-00-00-00-00-02", kArpTypeStatic, false, false},
      {"", kArpTypeDynamic, false, false},                 // no link-layer address
      {"02-00-00-00-00-02", kArpTypeStatic, true, false},  // deleted
      {"02-00-00-00-00-02", kArpTypeStatic, false, true},  // back again
  };
  BindingTable heard(16);
  Neighbour6Memory heard6(16);
  for (const Event& e : events) {
    ArpRow row = *e.mac ? fakeArpRow(3, "10.9.0.7", e.mac, e.type) : ArpRow{};
    if (!*e.mac) row.addr = fakeArpRow(3, "10.9.0.7", "02-00-00-00-00-01").addr;
    EXPECT_EQ(neighbourChangeCounts(heard, row, e.removed), e.counts) << e.mac << " " << e.type;
    Neighbour6Row row6;  // the same events on fe80::7
    row6.ifIndex = 3;
    row6.addr[0] = 0xfe;
    row6.addr[1] = 0x80;
    row6.addr[15] = 7;
    std::memcpy(row6.mac, row.physAddr, 6);
    row6.macLength = row.physAddrLen;
    row6.type = e.type;
    EXPECT_EQ(neighbour6ChangeCounts(heard6, row6, e.removed), e.counts) << e.mac << " " << e.type;
  }
}
