#pragma once
// The console front end's state: the tick, the exit request, what the scan prints and the
// figures that --stats prints. Main thread, except the journal counter.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "app/linux/runtime/tick_schedule.h"
#include "arp/check_trigger.h"

struct ConsoleSession {
  TickSchedule ticks;
  bool ending = false;  // a fatal error: leave without the shut-down
  int exitCode = 0;
  bool stopRequested = false;  // SIGINT or SIGTERM: leave through the shut-down
  int stopSignal = 0;
  int refreshDepth = 0;  // route refreshes running, the nested one included

  // vetrel scan: journal lines go to stderr (stdout carries the hosts), and each host the
  // scanner shows is printed.
  bool journalToStderr = false;
  bool printScanRows = false;
  bool jsonRows = false;      // --json: a scan row leaves as a JSON object
  bool outputFailed = false;  // a write to stdout failed
  std::string status[3];

  std::atomic<std::uint64_t> journalLines{0};
  std::uint64_t checks = 0;
  CheckTrigger tableChanges;   // checks run on the neighbour table's change events
  CheckTrigger table6Changes;  // the IPv6 check on its rows' events
  std::uint64_t eventChecks = 0;
  bool wireBacklog = false;  // wire bindings wait in their inbox
  std::chrono::steady_clock::duration maxTickWork{};
};

extern ConsoleSession session;

// A fresh session (tests, and each command run).
void resetConsoleSession();
// Fills uiHooks with the console's answers.
void installConsoleHooks();
