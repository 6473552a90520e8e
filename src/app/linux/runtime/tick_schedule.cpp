#include "app/linux/runtime/tick_schedule.h"

void startTicks(TickSchedule& s, TickSchedule::Clock::time_point now) {
  s.next = now + s.period;
  s.running = true;
}

void stopTicks(TickSchedule& s) { s.running = false; }

bool tickDue(const TickSchedule& s, TickSchedule::Clock::time_point now) {
  return s.running && now >= s.next;
}

void takeTick(TickSchedule& s, TickSchedule::Clock::time_point now) {
  const auto late = now - s.next;
  ++s.ticks;
  if (late > s.maxLateness) s.maxLateness = late;
  if (late > s.resyncAfter) {
    ++s.resyncs;
    s.next = now + s.period;
    return;
  }
  s.next += s.period;
}
