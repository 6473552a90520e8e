#include "arp/check_trigger.h"

void noteTableChange(CheckTrigger& t) { t.pending = true; }

bool checkWaiting(const CheckTrigger& t, CheckTrigger::Clock::time_point& dueAt) {
  if (!t.pending) return false;
  dueAt = t.everRan ? t.lastStart + t.spacing : CheckTrigger::Clock::time_point{};
  return true;
}

bool takeTriggeredCheck(CheckTrigger& t, CheckTrigger::Clock::time_point now) {
  CheckTrigger::Clock::time_point dueAt;
  if (!checkWaiting(t, dueAt) || now < dueAt) return false;
  noteCheckRan(t, now);
  return true;
}

void noteCheckRan(CheckTrigger& t, CheckTrigger::Clock::time_point start) {
  t.pending = false;
  t.everRan = true;
  t.lastStart = start;
}
