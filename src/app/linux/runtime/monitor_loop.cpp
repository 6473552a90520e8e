#include "app/linux/runtime/monitor_loop.h"

#include <chrono>
#include <vector>

#include "app/linux/runtime/console_session.h"
#include "app/linux/runtime/live_watch.h"
#include "app/linux/runtime/main_queue.h"
#include "app/linux/runtime/stop_signals.h"
#include "arp/check_cycle.h"
#include "arp/wire_bindings.h"
#include "arp/wire_decisions.h"
#include "arp/wire_reports.h"
#include "ipv6/routers6.h"
#include "ipv6/watch6.h"
#include "route/route_table.h"

namespace {

using Clock = std::chrono::steady_clock;

// Wire bindings decided per turn of the loop, so that a flood never holds up the tick.
constexpr std::size_t kWireBindingsPerTurn = 1024;

void noteStop(const MainEvent& e) {
  session.stopRequested = true;
  session.stopSignal = static_cast<int>(e.value);
}

bool running() { return !session.stopRequested && !session.ending; }

}  // namespace

void runDueTick() {
  const auto now = Clock::now();
  if (!running() || !tickDue(session.ticks, now)) return;
  takeTick(session.ticks, now);
  checkTick();
  if (checkStarShown) {
    ++session.checks;
    noteCheckRan(session.tableChanges, now);
    noteCheckRan(session.table6Changes, now);  // the tick's IPv6 check follows its ARP check
  }
  const double seconds = std::chrono::duration<double>(now.time_since_epoch()).count();
  journalWireDrops(seconds);
  journalWireReportsHeld(seconds);
  const auto work = Clock::now() - now;
  if (work > session.maxTickWork) session.maxTickWork = work;
}

void runTriggeredCheck() {
  // A timer stopped after too many failed reads stops these checks too.
  if (!running() || !session.ticks.running) return;
  const auto now = Clock::now();
  if (takeTriggeredCheck(session.tableChanges, now)) {
    runCheck();
    ++session.eventChecks;
  }
  if (!takeTriggeredCheck(session.table6Changes, now)) return;
  runCheck6();
  if (routerAwaitsMac6()) checkRoutes6();  // the change may be the MAC a default router lacked
}

void runWireBatch() {
  if (!running() || !session.wireBacklog) return;
  static std::vector<WireBinding> batch;
  session.wireBacklog = takeWireBindings(batch, kWireBindingsPerTurn);
  decideWireBindings(batch.data(), batch.size());
}

void noteMainEvent(const MainEvent& e) {
  switch (e.kind) {
    case MainEventKind::Stop:
      noteStop(e);
      break;
    case MainEventKind::RouteChange:
      consoleRefreshRoutes(e.value);
      break;
    case MainEventKind::TableChange:
      noteTableChange(session.tableChanges);
      break;
    case MainEventKind::Table6Change:
      noteTableChange(session.table6Changes);
      break;
    case MainEventKind::Route6Change:
      if (running()) checkRoutes6();
      break;
    case MainEventKind::WireBatch:
      session.wireBacklog = true;
      break;
    case MainEventKind::LogReopen:
      reopenLogOnSignal();
      break;
    case MainEventKind::ScanHandOff:
      break;  // the scan command's own loop takes these
  }
}

void pumpMainQueue() {
  MainEvent e{};
  if (takeMainEvent(mainQueue, MainEventKind::Stop, e)) noteStop(e);
  runDueTick();
  for (const MainEventKind kind :
       {MainEventKind::TableChange, MainEventKind::Table6Change, MainEventKind::Route6Change})
    if (takeMainEvent(mainQueue, kind, e)) noteMainEvent(e);
  if (takeMainEvent(mainQueue, MainEventKind::WireBatch, e)) noteMainEvent(e);
  runTriggeredCheck();
  runWireBatch();
  // The GUI would nest a refresh per waiting notification; a steady stream of changes
  // would then nest without end. One nested refresh does the coalescing just as well.
  if (session.refreshDepth < 2 && running() &&
      takeMainEvent(mainQueue, MainEventKind::RouteChange, e))
    consoleRefreshRoutes(e.value);
}

void consoleRefreshRoutes(std::uint32_t changeNo) {
  ++session.refreshDepth;
  refreshRoutes(changeNo);
  --session.refreshDepth;
}

bool runMonitorLoop() {
  while (running()) {
    auto deadline =
        session.ticks.running ? session.ticks.next : Clock::now() + std::chrono::hours(1);
    Clock::time_point checkAt;
    if (session.wireBacklog) deadline = Clock::now();
    for (const CheckTrigger* t : {&session.tableChanges, &session.table6Changes})
      if (session.ticks.running && checkWaiting(*t, checkAt) && checkAt < deadline)
        deadline = checkAt;
    MainEvent e{};
    if (waitMainEvent(mainQueue, deadline, e)) noteMainEvent(e);
    runDueTick();
    runTriggeredCheck();
    runWireBatch();
  }
  return session.stopRequested && !session.ending;
}
