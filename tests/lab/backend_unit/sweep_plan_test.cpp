// The sweep's schedule stepped by hand: pacing, the retry waits, settling, and a stop.
#include "platform/linux/sweep_plan.h"

#include <gtest/gtest.h>

#include "platform/linux/probe_timing.h"

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

SweepPlan planOf(int count) {
  SweepPlan plan;
  for (int i = 0; i < count; ++i) addToPlan(plan, 100 + i, 0);
  addToPlan(plan, 100, 0);  // a repeated address is asked once
  return plan;
}

TEST(SweepPlan, FirstRequestsGoInOrderOnePerGap) {
  SweepPlan plan = planOf(3);
  ASSERT_EQ(plan.entries.size(), 3u);
  const SweepClock::time_point t0{};
  EXPECT_EQ(takeRequest(plan, t0), 0);
  EXPECT_EQ(takeRequest(plan, t0 + microseconds(kSweepGapUs - 1)), -1);  // pacing
  EXPECT_EQ(nextWake(plan), t0 + microseconds(kSweepGapUs));
  EXPECT_EQ(takeRequest(plan, t0 + microseconds(kSweepGapUs)), 1);
  EXPECT_EQ(takeRequest(plan, t0 + microseconds(2 * kSweepGapUs)), 2);
  EXPECT_EQ(takeRequest(plan, t0 + milliseconds(50)), -1);  // all asked, waits running
  EXPECT_EQ(nextWake(plan), t0 + milliseconds(kArpWaitMs[0]));
}

// A silent address is asked again after each wait and fails when the last wait runs out; an
// answer settles an address once, and a late answer changes nothing.
TEST(SweepPlan, SilentAddressesFailAfterTheWholeScheduleAnsweredOnesSettleOnce) {
  SweepPlan plan = planOf(2);
  SweepClock::time_point t{};
  ASSERT_EQ(takeRequest(plan, t), 0);
  ASSERT_EQ(takeRequest(plan, t + microseconds(kSweepGapUs)), 1);
  const std::uint8_t mac[6] = {2, 0, 0, 0, 0, 7};
  EXPECT_EQ(recordReply(plan, 0, 101, mac), ReplyOutcome::Settled);
  EXPECT_EQ(recordReply(plan, 0, 101, mac), ReplyOutcome::Ignored);
  EXPECT_EQ(recordReply(plan, 0, 999, mac), ReplyOutcome::Ignored);  // not in the sweep
  EXPECT_EQ(plan.entries[1].state, SweepState::Answered);
  EXPECT_EQ(plan.entries[1].mac[5], 7);

  int tries = 1;
  for (int k = 0; k < kArpTries; ++k) {
    t += milliseconds(kArpWaitMs[k]);
    EXPECT_FALSE(expireWaits(plan, t - microseconds(1))) << k;
    const bool failed = expireWaits(plan, t);
    EXPECT_EQ(failed, k == kArpTries - 1) << k;
    if (!failed) {
      EXPECT_EQ(takeRequest(plan, t), 0) << k;  // the retry goes at once
      ++tries;
    }
  }
  EXPECT_EQ(tries, kArpTries);
  EXPECT_EQ(plan.entries[0].state, SweepState::Failed);
  EXPECT_EQ(recordReply(plan, 0, 100, mac), ReplyOutcome::Ignored);
  EXPECT_EQ(nextWake(plan), SweepClock::time_point::max());
}

// After a stop nothing new is asked unless a probe waits for it; a waited-for address that was
// never asked, or whose wait ran out, is asked at once.
TEST(SweepPlan, NarrowedPlanAsksOnlyForWaitedAddresses) {
  SweepPlan plan = planOf(4);
  SweepClock::time_point t{};
  ASSERT_EQ(takeRequest(plan, t), 0);
  EXPECT_FALSE(addWaiter(plan, 0));  // asked, its wait running
  narrowPlan(plan);
  t += milliseconds(1);
  EXPECT_EQ(takeRequest(plan, t), -1);
  EXPECT_TRUE(addWaiter(plan, 2));
  EXPECT_EQ(takeRequest(plan, t), 2);
  EXPECT_EQ(takeRequest(plan, t + milliseconds(1)), -1);

  // Entry 0 keeps its retries while waited for; entry 2 loses its waiter and goes idle.
  plan.entries[2].waiters = 0;
  t += milliseconds(kArpWaitMs[0]);
  EXPECT_FALSE(expireWaits(plan, t));
  EXPECT_EQ(takeRequest(plan, t), 0);
  EXPECT_EQ(plan.entries[2].state, SweepState::Idle);
  EXPECT_EQ(takeRequest(plan, t + milliseconds(1)), -1);
  EXPECT_TRUE(addWaiter(plan, 2));
  EXPECT_EQ(takeRequest(plan, t + milliseconds(1)), 2);
  EXPECT_EQ(plan.entries[2].tries, 2);
  EXPECT_EQ(plan.entries[3].tries, 0);
}

// A probe that began waiting before the stop, for an address the sweep had not reached yet,
// still gets its request.
TEST(SweepPlan, AStopKeepsAskingForAddressesWaitedForBeforeIt) {
  SweepPlan plan = planOf(4);
  const SweepClock::time_point t{};
  EXPECT_FALSE(addWaiter(plan, 3));
  narrowPlan(plan);
  EXPECT_EQ(takeRequest(plan, t), 3);
  EXPECT_EQ(takeRequest(plan, t + milliseconds(1)), -1);
}

// A sweep thread that wakes late sends what it owes back to back, a burst at most, so the
// rate holds on a loaded machine.
TEST(SweepPlan, ALateWakeUpCatchesUpByABoundedBurst) {
  SweepPlan plan = planOf(40);
  const SweepClock::time_point t0{};
  ASSERT_EQ(takeRequest(plan, t0), 0);
  const auto late = t0 + microseconds(20 * kSweepGapUs);
  int burst = 0;
  while (takeRequest(plan, late) >= 0) ++burst;
  EXPECT_EQ(burst, kSweepBurst);
  EXPECT_EQ(takeRequest(plan, late + microseconds(kSweepGapUs)), kSweepBurst + 1);
}
// Only a reply after the address's request, on its interface, settles it; a second MAC is
// a conflict said once, and the first MAC stays.
TEST(SweepPlan, RepliesSettleOnlyAskedAddressesAndKeepTheFirstMac) {
  SweepPlan plan;
  addToPlan(plan, 100, 0);
  addToPlan(plan, 101, 1);
  const std::uint8_t first[6] = {2, 0, 0, 0, 0, 1}, second[6] = {2, 0, 0, 0, 0, 2};
  struct Step {
    std::uint16_t source;
    std::uint32_t address;
    const std::uint8_t (*mac)[6];
    ReplyOutcome outcome;
  } steps[] = {
      {0, 100, &first, ReplyOutcome::Ignored},    // before its request
      {0, 101, &first, ReplyOutcome::Ignored},    // likewise, and asked from interface 1
      {1, 100, &first, ReplyOutcome::Ignored},    // (request for 100 goes here) other interface
      {0, 100, &first, ReplyOutcome::Settled},    //
      {0, 100, &first, ReplyOutcome::Ignored},    // the same answer again
      {0, 100, &second, ReplyOutcome::Conflict},  //
      {0, 100, &second, ReplyOutcome::Ignored},   // said once
      {0, 100, &first, ReplyOutcome::Ignored},    //
  };
  int k = 0;
  for (const Step& s : steps) {
    if (k == 2) {
      ASSERT_EQ(takeRequest(plan, SweepClock::time_point{}), 0);
    }
    EXPECT_EQ(recordReply(plan, s.source, s.address, *s.mac), s.outcome) << k;
    ++k;
  }
  EXPECT_EQ(plan.entries[0].mac[5], 1);
  EXPECT_EQ(plan.entries[1].state, SweepState::Unasked);
}

}  // namespace
