#pragma once
// When a change of the ARP table heard from the system runs a check: a storm of changes
// runs at most one check per spacing, never a queue of them, and a change heard during or
// after a check runs exactly one more.
#include <chrono>

struct CheckTrigger {
  using Clock = std::chrono::steady_clock;
  Clock::duration spacing = std::chrono::milliseconds(20);
  bool pending = false;  // a change not yet seen by a check
  bool everRan = false;
  Clock::time_point lastStart{};
};

void noteTableChange(CheckTrigger& t);
// Whether a change waits, and from when its check may run.
bool checkWaiting(const CheckTrigger& t, CheckTrigger::Clock::time_point& dueAt);
// True when a check is due now; it is then booked as started.
bool takeTriggeredCheck(CheckTrigger& t, CheckTrigger::Clock::time_point now);
// A check ran for another reason (the timer): it has seen every change heard so far.
void noteCheckRan(CheckTrigger& t, CheckTrigger::Clock::time_point start);
