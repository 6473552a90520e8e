#include "platform/linux/sweep_plan.h"

#include <algorithm>
#include <cstring>

#include "platform/linux/probe_timing.h"

namespace {

bool wantsRequest(const SweepPlan& plan, const SweepEntry& e) {
  if (settled(e) || e.state == SweepState::Asked) return false;
  return !plan.narrowed || e.waiters > 0;
}

// The next entry to ask without taking it, or -1.
long peekRequest(SweepPlan& plan) {
  while (!plan.urgent.empty()) {
    const std::uint32_t i = plan.urgent.front();
    if (wantsRequest(plan, plan.entries[i])) return i;
    plan.urgent.pop_front();
  }
  if (plan.narrowed) return -1;
  while (plan.cursor < plan.entries.size()) {
    if (wantsRequest(plan, plan.entries[plan.cursor])) return static_cast<long>(plan.cursor);
    ++plan.cursor;
  }
  return -1;
}

bool hasRequest(const SweepPlan& plan) {
  for (std::uint32_t i : plan.urgent)
    if (wantsRequest(plan, plan.entries[i])) return true;
  if (plan.narrowed) return false;
  for (std::size_t i = plan.cursor; i < plan.entries.size(); ++i)
    if (wantsRequest(plan, plan.entries[i])) return true;
  return false;
}

}  // namespace

bool settled(const SweepEntry& e) {
  return e.state == SweepState::Answered || e.state == SweepState::Failed;
}

void addToPlan(SweepPlan& plan, std::uint32_t address, std::uint16_t source) {
  const auto index = static_cast<std::uint32_t>(plan.entries.size());
  if (!plan.byAddress.emplace(address, index).second) return;
  SweepEntry e;
  e.address = address;
  e.source = source;
  plan.entries.push_back(e);
}

long takeRequest(SweepPlan& plan, SweepClock::time_point now) {
  if (now < plan.nextSlot) return -1;
  const long i = peekRequest(plan);
  if (i < 0) return -1;
  if (!plan.urgent.empty() && plan.urgent.front() == static_cast<std::uint32_t>(i))
    plan.urgent.pop_front();
  else
    ++plan.cursor;
  SweepEntry& e = plan.entries[i];
  e.state = SweepState::Asked;
  const int wait = kArpWaitMs[e.tries < kArpTries ? e.tries : kArpTries - 1];
  ++e.tries;
  plan.deadlines.push(
      {now + std::chrono::milliseconds(wait), static_cast<std::uint32_t>(i), e.tries});
  // The slots keep their own schedule, so a late wake-up sends the requests it owes at once
  // (at most kSweepBurst of them) and the rate holds on a loaded machine.
  const auto gap = std::chrono::microseconds(kSweepGapUs);
  plan.nextSlot = std::max(plan.nextSlot, now - (kSweepBurst - 1) * gap) + gap;
  return i;
}

bool expireWaits(SweepPlan& plan, SweepClock::time_point now) {
  bool any = false;
  while (!plan.deadlines.empty() && plan.deadlines.top().at <= now) {
    const SweepPlan::Deadline d = plan.deadlines.top();
    plan.deadlines.pop();
    SweepEntry& e = plan.entries[d.entry];
    if (e.state != SweepState::Asked || e.tries != d.tries) continue;
    if (e.tries >= kArpTries) {
      e.state = SweepState::Failed;
      any = true;
    } else {
      // After a stop, an address nobody waits for is asked again only when a probe comes.
      e.state = SweepState::Idle;
      if (!plan.narrowed || e.waiters > 0) plan.urgent.push_back(d.entry);
    }
  }
  return any;
}

ReplyOutcome recordReply(SweepPlan& plan, std::uint16_t source, std::uint32_t address,
                         const std::uint8_t (&mac)[6]) {
  auto it = plan.byAddress.find(address);
  if (it == plan.byAddress.end()) return ReplyOutcome::Ignored;
  SweepEntry& e = plan.entries[it->second];
  // A reply before the request is none to it: a host flooding replies would settle every
  // address of the range.
  if (e.source != source || e.tries == 0 || e.state == SweepState::Failed)
    return ReplyOutcome::Ignored;
  if (e.state == SweepState::Answered) {
    if (e.conflictSaid || std::memcmp(e.mac, mac, 6) == 0) return ReplyOutcome::Ignored;
    e.conflictSaid = true;
    return ReplyOutcome::Conflict;
  }
  std::memcpy(e.mac, mac, 6);
  e.state = SweepState::Answered;
  return ReplyOutcome::Settled;
}

void narrowPlan(SweepPlan& plan) {
  // Probes may already wait for addresses the cursor has not reached: they go first now.
  for (std::size_t i = plan.cursor; i < plan.entries.size(); ++i)
    if (plan.entries[i].waiters > 0 && plan.entries[i].state == SweepState::Unasked)
      plan.urgent.push_back(static_cast<std::uint32_t>(i));
  plan.narrowed = true;
}

bool addWaiter(SweepPlan& plan, std::uint32_t entry) {
  SweepEntry& e = plan.entries[entry];
  ++e.waiters;
  if (!plan.narrowed || settled(e) || e.state == SweepState::Asked) return false;
  plan.urgent.push_back(entry);
  return true;
}

SweepClock::time_point nextWake(const SweepPlan& plan) {
  SweepClock::time_point at = SweepClock::time_point::max();
  if (hasRequest(plan)) at = plan.nextSlot;
  if (!plan.deadlines.empty() && plan.deadlines.top().at < at) at = plan.deadlines.top().at;
  return at;
}
