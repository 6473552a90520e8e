#include "scan_main_thread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "scan/scanner.h"

namespace {

struct HandOff {
  std::int32_t* slot;
  int index;            // what the worker probed
  std::uint64_t token;  // what its message would carry
  std::int32_t answer = 0;
  bool done = false;
};

struct Queue {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<HandOff*> waiting;
  std::vector<std::thread> workers;
  std::set<int> failingSlots;
  std::chrono::steady_clock::duration handlerTime{};
  long handlerCalls = 0;
} q;

std::int32_t queueHandOff(std::int32_t* slot) {
  HandOff h{slot, *slot, handOffToken(slot)};
  std::unique_lock<std::mutex> hold(q.lock);
  q.waiting.push_back(&h);
  q.changed.notify_all();
  q.changed.wait(hold, [&h] { return h.done; });
  return h.answer;
}

bool startJoinable(std::int32_t* slot) {
  if (q.failingSlots.count(static_cast<int>(slot - workerSlots))) return false;
  q.workers.emplace_back(scanWorker, slot);
  return true;
}

constexpr auto kWait = std::chrono::seconds(10);

}  // namespace

void installScanMainThread(std::set<int> failingSlots) {
  q.failingSlots = std::move(failingSlots);
  q.handlerTime = {};
  q.handlerCalls = 0;
  scanFrontEnd = ScanFrontEnd{};
  scanFrontEnd.handOff = queueHandOff;
  scanFrontEnd.startWorker = startJoinable;
}

void joinScanWorkers() {
  for (std::thread& t : q.workers) t.join();
  q.workers.clear();
}

bool waitForHandOffs(std::size_t n) {
  std::unique_lock<std::mutex> hold(q.lock);
  return q.changed.wait_for(hold, kWait, [n] { return q.waiting.size() >= n; });
}

int handleHandOff(int index) {
  HandOff* h = nullptr;
  {
    std::unique_lock<std::mutex> hold(q.lock);
    auto find = [&] {
      for (auto it = q.waiting.begin(); it != q.waiting.end(); ++it)
        if (index < 0 || (*it)->index == index) {
          h = *it;
          q.waiting.erase(it);
          return true;
        }
      return false;
    };
    if (!q.changed.wait_for(hold, kWait, find)) return -2;
  }
  // The handler runs outside the queue's lock, as the GUI's handler runs outside any
  // lock of the worker's, and takes the hand-off as the page does.
  const auto start = std::chrono::steady_clock::now();
  const bool taken = takeHandOff(static_cast<std::uint64_t>(h->slot - workerSlots), h->token);
  const std::int32_t answer = taken ? handleScanResult(h->slot) : -1;
  q.handlerTime += std::chrono::steady_clock::now() - start;
  ++q.handlerCalls;
  std::lock_guard<std::mutex> hold(q.lock);
  h->answer = answer;
  h->done = true;
  q.changed.notify_all();
  return taken ? h->index : -3;
}

bool runPassToEnd() {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (scanRunning) {
    if (std::chrono::steady_clock::now() > end || handleHandOff() == -2) return false;
  }
  return true;
}

double scanHandlerSeconds() { return std::chrono::duration<double>(q.handlerTime).count(); }
long scanHandlerCalls() { return q.handlerCalls; }
