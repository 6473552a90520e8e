#include "app/linux/commands/monitor_command.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/linux/console/console_locale.h"
#include "app/linux/console/console_text.h"
#include "app/linux/console/console_writer.h"
#include "app/linux/console/json_output.h"
#include "app/linux/runtime/console_session.h"
#include "app/linux/runtime/live_watch.h"
#include "app/linux/runtime/main_queue.h"
#include "app/linux/runtime/monitor_loop.h"
#include "app/linux/runtime/stop_signals.h"
#include "app/linux/system/data_dir_lock.h"
#include "app/linux/system/environment_check.h"
#include "app/linux/system/mac_vendors.h"
#include "app/linux/system/process_memory.h"
#include "arp/arp_table.h"
#include "arp/check_cycle.h"
#include "arp/list_views.h"
#include "arp/sample_view.h"
#include "arp/samples.h"
#include "arp/statics.h"
#include "arp/wire_bindings.h"
#include "base/detached_thread.h"
#include "base/external_text.h"
#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "ipv6/neighbour6_view.h"
#include "ipv6/samples6.h"
#include "platform/adapter_platform.h"
#include "platform/system_platform.h"
#include "report/journal.h"
#include "report/mail_message.h"
#include "report/mail_queue.h"
#include "report/mail_thread.h"
#include "report/start_lines.h"
#include "report/syslog_sender.h"
#include "route/adapters.h"
#include "route/route_table.h"
#include "settings/settings.h"

namespace {

constexpr std::chrono::milliseconds kConsoleFinishWait{1000};

void postRouteCount(std::uint32_t count) {
  postMainEvent(mainQueue, {MainEventKind::RouteChange, count});
}

// The interfaces --listen reads: those named, else every adapter with an IPv4 address. Asked
// of the system before the adapters are discovered, so that listening begins before
// "Запуск программы." is journalled.
std::vector<std::string> listenInterfaces(const CommandLine& cl) {
  if (!cl.listenInterfaces.empty()) return cl.listenInterfaces;
  std::vector<std::string> names;
  std::vector<PlatformAdapter> adapters;
  if (platform::getAdapters(adapters) == 0)
    for (const PlatformAdapter& a : adapters) names.push_back(a.name);
  return names;
}

// Frames that arrive from here on wait in the rings and the inbox until the loop runs.
int startListening(const CommandLine& cl) {
  std::string failed;
  const std::vector<std::string> names = listenInterfaces(cl);
  if (names.empty()) {
    warnConsole("--listen: no interface to listen on");
    return kExitUsage;
  }
  enableWireBindings(true);
  if (const std::uint32_t error = startWireListen(names, failed)) {
    warnConsole("--listen: cannot listen on " + cleanExternalText(failed) + ": " +
                std::strerror(static_cast<int>(error)) +
                (error == EPERM ? " (needs CAP_NET_RAW)" : ""));
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace

int startMonitor(const std::string& dir, bool watchRoutes) {
  socketsReady = platform::startSockets();
  if (!initPathsInDirectory(dir)) {
    warnConsole("cannot enter the data directory " + dir);
    return kExitFailure;
  }
  openLogLazily();
  loadSettings();
  const std::vector<std::string> settingsBounds = boundLoadedSettings();
  startMailThread = launchMailThread;
  computeTimeZoneText();
  // Before the syslog thread, which reads the table.
  if (monitorShowsVendors(session.jsonRows)) loadMacVendors();
  startSyslog();
  journalStartLines(settingsBounds, true);
  if (!discoverAdapters()) {
    uiMessageBox("Ошибка при определении сетевого адаптера.", MessageIcon::Error);
    return kExitFailure;
  }
  if (!createArpSnapshot()) {
    uiMessageBox("Ошибка выделения памяти.", MessageIcon::Error);
    return kExitFailure;
  }
  loadSamples();
  showSamples();
  if (settings.WatchIpv6) {
    loadSamples6();
    showSamples6();
  }
  if (settings.SaveStat) loadStatics();
  seedCheckRandom(static_cast<std::uint32_t>(::getpid()) ^
                  static_cast<std::uint32_t>(std::time(nullptr)));
  if (watchRoutes && !startDetached(routeWatch, postRouteCount))
    warnConsole("cannot start the route watch; route changes go unnoticed");
  OwnRouteChange = true;
  consoleRefreshRoutes(0);
  checkCountdown = 1;
  startTicks(session.ticks, std::chrono::steady_clock::now());
  return kExitOk;
}

void shutDownMonitor() {
  stopTicks(session.ticks);
  if (settings.SaveStat) saveStatics();
  saveSettings();
  if (wireBindingsEnabled()) journalWireDropsAtEnd();
  reportEvent("Выход из программы.", Info);
  if (settings.WriteLog) reportEvent("Конец записи в лог-файл.", Info);
  stopSyslog(kSyslogExitWaitMs);
  freeArpSnapshot();
}

std::string monitorStatsLine() {
  using std::chrono::duration;
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  const double lateMs = duration<double, std::milli>(session.ticks.maxLateness).count();
  const double workMs = duration<double, std::milli>(session.maxTickWork).count();
  char line[320];
  std::snprintf(line, sizeof line,
                "vetrel stats: ticks=%llu checks=%llu max_tick_lateness_ms=%.1f "
                "max_tick_work_ms=%.1f resyncs=%llu journal_lines=%llu rss_kb=%ld "
                "peak_rss_kb=%ld cpu_user_s=%.2f cpu_sys_s=%.2f event_checks=%llu\n",
                static_cast<unsigned long long>(session.ticks.ticks),
                static_cast<unsigned long long>(session.checks), lateMs, workMs,
                static_cast<unsigned long long>(session.ticks.resyncs),
                static_cast<unsigned long long>(session.journalLines.load()), residentKb(),
                peakResidentKb(), usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6,
                usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6,
                static_cast<unsigned long long>(session.eventChecks));
  return line;
}

int runMonitor(const CommandLine& cl) {
  chooseConsoleEncoding(cl.forceUtf8, cl.forceCp1251);
  const DirectoryCheck dir = checkDataDirectory(cl.dir);
  if (!dir.usable) {
    warnConsole(dir.problem);
    return kExitUsage;
  }
  // Two monitors on one directory would each rewrite the files and lose the other's changes.
  int monitorLock = -1;
  switch (claimMonitorLock(cl.dir, monitorLock)) {
    case DirLockResult::Busy:
      warnConsole("another monitor runs in the data directory " + cl.dir);
      return kExitFailure;
    case DirLockResult::Failed:
      warnConsole("cannot take " + cl.dir + "/monitor.lock: a second monitor there is not refused");
      break;
    case DirLockResult::NotAFile:
      warnConsole(cl.dir +
                  "/monitor.lock is not a plain file (a link, a FIFO, a directory?): "
                  "remove it; a monitor does not start without its lock");
      return kExitFailure;
    case DirLockResult::Held:
      break;
  }
  // Held until the process ends: `vetrel settings set` refuses while it is.
  int dirLock = -1;
  if (lockDataDirectory(cl.dir, false, 5000, dirLock) != DirLockResult::Held)
    warnConsole("cannot lock the data directory " + cl.dir +
                ": settings edits made while the monitor runs are lost at its exit");
  blockStopSignals();
  if (!startStopSignalThread()) {
    warnConsole("cannot start the signal thread");
    return kExitFailure;
  }
  installConsoleHooks();
  // Journal lines and complaints wait in memory rather than in write(2), so a reader that
  // stops holds up neither the checks nor the shut-down that a signal asks for.
  startConsoleWriter(consoleOut);
  startConsoleWriter(consoleErr);
  if (cl.json) installJsonOutput();
  if (!dir.writable)
    warnConsole("data directory " + cl.dir +
                " is not writable: the log, samples, statics and settings will not be saved");
  if (!processHasNetAdmin())
    warnConsole(
        "warning: no CAP_NET_ADMIN: restoring, blocking and static entries will fail "
        "(watching works)");

  int code = cl.listen ? startListening(cl) : kExitOk;
  if (code == kExitOk) code = startMonitor(cl.dir);
  if (code == kExitOk && !startNeighbourWatch(settings.WatchIpv6))
    warnConsole("cannot start the neighbour watch; changes wait for the next timed check");
  if (code == kExitOk && settings.WatchIpv6 && !startRoute6Watch())
    warnConsole(
        "cannot start the IPv6 route watch; IPv6 route changes wait for the next timed check");
  if (code == kExitOk) {
    if (runMonitorLoop())
      shutDownMonitor();
    else
      code = session.exitCode;
  }
  if (cl.stats) writeConsole(consoleErr, monitorStatsLine());
  closeLog();
  // What is still queued gets a moment; a reader that has stopped does not keep us.
  finishConsoleWriter(consoleOut, kConsoleFinishWait);
  finishConsoleWriter(consoleErr, kConsoleFinishWait);
  return code;
}
