#pragma once
// What other threads hand to the console's main thread: route-change counts from the route
// watch, stop requests from the signal thread and the scan workers' hand-offs. A queue plus a
// condition variable, as the GUI's posted window messages.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

// TableChange: the neighbour table changed (Table6Change: its IPv6 rows); Route6Change: the
// IPv6 routes changed; WireBatch: wire bindings wait in their inbox; LogReopen: SIGHUP asks
// for quorel.log to be opened afresh.
enum class MainEventKind {
  RouteChange,
  Stop,
  ScanHandOff,
  TableChange,
  WireBatch,
  LogReopen,
  Table6Change,
  Route6Change,
};

struct MainEvent {
  MainEventKind kind;
  std::uint32_t value;   // the change count, or the signal number
  void* data = nullptr;  // ScanHandOff: the waiting worker's request
};

struct MainQueue {
  std::mutex lock;
  std::condition_variable ready;
  std::deque<MainEvent> events;
};

extern MainQueue mainQueue;

// A route count replaces a count still waiting in the queue: only the newest one leads to
// a re-read, so a burst of changes never piles up refreshes. A table change, a wire batch,
// an IPv6 table or route change or a log reopening already waiting is not queued twice.
void postMainEvent(MainQueue& q, MainEvent event);
// Waits until an event is there or the deadline passes; false on time-out.
bool waitMainEvent(MainQueue& q, std::chrono::steady_clock::time_point deadline, MainEvent& out);
// The first event of the given kind, without waiting.
bool takeMainEvent(MainQueue& q, MainEventKind kind, MainEvent& out);
