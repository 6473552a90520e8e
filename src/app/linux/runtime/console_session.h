#pragma once
// The console front end's state: the tick, the exit request, the lists the logic fills
// and the figures that --stats prints. Main thread, except the journal counter.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/linux/runtime/tick_schedule.h"
#include "arp/check_trigger.h"
#include "base/ui_hooks.h"

struct ConsoleSession {
  TickSchedule ticks;
  bool ending = false;  // a fatal error: leave without the shut-down
  int exitCode = 0;
  bool stopRequested = false;  // SIGINT or SIGTERM: leave through the shut-down
  int stopSignal = 0;
  int refreshDepth = 0;  // route refreshes running, the nested one included

  // The route and scan lists as the logic fills them; the others only count their rows.
  std::vector<std::vector<std::string>> routeRows;
  std::vector<std::vector<std::string>> scanRows;
  // vetrel scan: journal lines go to stderr (stdout carries the hosts), and each scan row is
  // printed when the scanner scrolls it into view, which it does once per shown result.
  bool journalToStderr = false;
  bool printScanRows = false;
  bool jsonRows = false;      // --json: a scan row leaves as a JSON object
  bool outputFailed = false;  // a write to stdout failed
  int rowCounts[4] = {};
  std::string status[3];

  std::atomic<std::uint64_t> journalLines{0};
  std::uint64_t checks = 0;
  CheckTrigger tableChanges;  // checks run on the neighbour table's change events
  std::uint64_t eventChecks = 0;
  bool wireBacklog = false;  // wire bindings wait in their inbox
  std::chrono::steady_clock::duration maxTickWork{};
};

extern ConsoleSession session;

// A fresh session (tests, and each command run).
void resetConsoleSession();
// Fills uiHooks with the console's answers.
void installConsoleHooks();
