#include "app/linux/monitor_loop.h"

#include <chrono>

#include "app/linux/console_session.h"
#include "app/linux/main_queue.h"
#include "arp/check_cycle.h"
#include "route/route_table.h"

namespace {

using Clock = std::chrono::steady_clock;

void noteStop(const MainEvent& e) {
  session.stopRequested = true;
  session.stopSignal = static_cast<int>(e.value);
}

}  // namespace

void runDueTick() {
  const auto now = Clock::now();
  if (session.stopRequested || session.ending || !tickDue(session.ticks, now)) return;
  takeTick(session.ticks, now);
  checkTick();
  if (checkStarShown) ++session.checks;
  const auto work = Clock::now() - now;
  if (work > session.maxTickWork) session.maxTickWork = work;
}

void pumpMainQueue() {
  MainEvent e{};
  if (takeMainEvent(mainQueue, MainEventKind::Stop, e)) noteStop(e);
  runDueTick();
  // The GUI would nest a refresh per waiting notification; a steady stream of changes
  // would then nest without end. One nested refresh does the coalescing just as well.
  if (session.refreshDepth < 2 && !session.stopRequested && !session.ending &&
      takeMainEvent(mainQueue, MainEventKind::RouteChange, e))
    consoleRefreshRoutes(e.value);
}

void consoleRefreshRoutes(std::uint32_t changeNo) {
  ++session.refreshDepth;
  refreshRoutes(changeNo);
  --session.refreshDepth;
}

bool runMonitorLoop() {
  while (!session.ending && !session.stopRequested) {
    const auto deadline =
        session.ticks.running ? session.ticks.next : Clock::now() + std::chrono::hours(1);
    MainEvent e{};
    if (waitMainEvent(mainQueue, deadline, e)) {
      if (e.kind == MainEventKind::Stop)
        noteStop(e);
      else
        consoleRefreshRoutes(e.value);
    }
    runDueTick();
  }
  return session.stopRequested && !session.ending;
}
