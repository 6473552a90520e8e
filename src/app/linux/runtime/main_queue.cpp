#include "app/linux/runtime/main_queue.h"

#include <algorithm>

MainQueue mainQueue;

void postMainEvent(MainQueue& q, MainEvent event) {
  const bool joins = event.kind != MainEventKind::Stop && event.kind != MainEventKind::ScanHandOff;
  {
    std::lock_guard<std::mutex> hold(q.lock);
    auto waiting = joins ? std::find_if(q.events.begin(), q.events.end(),
                                        [&](const MainEvent& e) { return e.kind == event.kind; })
                         : q.events.end();
    if (waiting != q.events.end())
      waiting->value = event.value;
    else
      q.events.push_back(event);
  }
  q.ready.notify_one();
}

bool waitMainEvent(MainQueue& q, std::chrono::steady_clock::time_point deadline, MainEvent& out) {
  std::unique_lock<std::mutex> hold(q.lock);
  if (!q.ready.wait_until(hold, deadline, [&] { return !q.events.empty(); })) return false;
  out = q.events.front();
  q.events.pop_front();
  return true;
}

bool takeMainEvent(MainQueue& q, MainEventKind kind, MainEvent& out) {
  std::lock_guard<std::mutex> hold(q.lock);
  auto it = std::find_if(q.events.begin(), q.events.end(),
                         [&](const MainEvent& e) { return e.kind == kind; });
  if (it == q.events.end()) return false;
  out = *it;
  q.events.erase(it);
  return true;
}
