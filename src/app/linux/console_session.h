#pragma once
// The console front end's state: the tick, the exit request, the lists the logic fills
// and the figures that --stats prints. Main thread, except the journal counter.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/linux/tick_schedule.h"
#include "core/ui_hooks.h"

struct ConsoleSession {
  TickSchedule ticks;
  bool ending = false;  // a fatal error: leave without the shut-down
  int exitCode = 0;
  bool stopRequested = false;  // SIGINT or SIGTERM: leave through the shut-down
  int stopSignal = 0;
  int refreshDepth = 0;  // route refreshes running, the nested one included

  // The route list as the logic fills it; the other lists only count their rows.
  std::vector<std::vector<std::string>> routeRows;
  int rowCounts[4] = {};
  std::string status[3];

  std::atomic<std::uint64_t> journalLines{0};
  std::uint64_t checks = 0;
  std::chrono::steady_clock::duration maxTickWork{};
};

extern ConsoleSession session;

// A fresh session (tests, and each command run).
void resetConsoleSession();
// Fills uiHooks with the console's answers.
void installConsoleHooks();
