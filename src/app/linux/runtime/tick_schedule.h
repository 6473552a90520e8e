#pragma once
// The one-second tick on a steady schedule: each tick is due one period after the previous
// one was due, not after it ran, so the ticks do not drift.
#include <chrono>
#include <cstdint>

struct TickSchedule {
  using Clock = std::chrono::steady_clock;
  Clock::time_point next{};
  Clock::duration period = std::chrono::seconds(1);
  bool running = false;
  // Lateness beyond this (a suspended machine, a stopped process) restarts the schedule
  // from now instead of firing the missed ticks back to back.
  Clock::duration resyncAfter = std::chrono::seconds(5);

  std::uint64_t ticks = 0;
  std::uint64_t resyncs = 0;
  Clock::duration maxLateness{};
};

void startTicks(TickSchedule& s, TickSchedule::Clock::time_point now);
void stopTicks(TickSchedule& s);
bool tickDue(const TickSchedule& s, TickSchedule::Clock::time_point now);
// Books the tick that is due at now (its lateness) and schedules the next one.
void takeTick(TickSchedule& s, TickSchedule::Clock::time_point now);
