#include "app/linux/commands/scan_command.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "app/linux/console/console_locale.h"
#include "app/linux/console/console_text.h"
#include "app/linux/console/console_writer.h"
#include "app/linux/console/json_output.h"
#include "app/linux/runtime/console_session.h"
#include "app/linux/runtime/main_queue.h"
#include "app/linux/runtime/scan_handoff.h"
#include "app/linux/runtime/stop_signals.h"
#include "app/linux/system/data_dir_lock.h"
#include "app/linux/system/environment_check.h"
#include "app/linux/system/mac_vendors.h"
#include "arp/list_views.h"
#include "arp/sample_view.h"
#include "arp/samples.h"
#include "base/address.h"
#include "base/address_input.h"
#include "platform/probe_platform.h"
#include "platform/socket_platform.h"
#include "report/journal.h"
#include "report/mail_queue.h"
#include "report/syslog_sender.h"
#include "scan/address_conflicts.h"
#include "scan/scanner.h"
#include "settings/settings.h"

namespace {

using Clock = std::chrono::steady_clock;

struct ScanRun {
  Clock::time_point passStart;
  bool passEnded = false;  // set by the engine at the end of a pass
  int stops = 0;           // stop signals taken
  bool repeating = false;  // the repeat timer is set
  std::chrono::minutes interval{0};
  Clock::time_point nextTick;
};
ScanRun run;

// Rows and journal lines wait in memory rather than in write(2): a reader that stops holds up
// neither the pass (its hand-offs run on the main thread) nor a stop signal. A whole pass of
// rows fits before the oldest would go.
constexpr std::size_t kScanOutputBytes = kMaxScanAddresses * 256;
constexpr std::chrono::milliseconds kConsoleFinishWait{1000};
constexpr std::chrono::milliseconds kSecondStopWait{100};

struct QueuedConsole {
  QueuedConsole() {
    startConsoleWriter(consoleOut, kScanOutputBytes);
    startConsoleWriter(consoleErr);
  }
  ~QueuedConsole() {
    finishConsoleWriter(consoleOut, kConsoleFinishWait);
    finishConsoleWriter(consoleErr, kConsoleFinishWait);
  }
  QueuedConsole(const QueuedConsole&) = delete;
  QueuedConsole& operator=(const QueuedConsole&) = delete;
};

void onPassEnded() { run.passEnded = true; }

// The sweep asks for the whole pass ahead of the workers; then the pass itself.
bool startPass() {
  std::vector<std::uint32_t> addresses;
  addresses.reserve(ScanResults.size());
  for (const AddressEntry& e : ScanResults) addresses.push_back(hostToNetwork(e.ipValue));
  platform::beginArpSweep(addresses);
  run.passStart = Clock::now();
  run.passEnded = false;
  if (beginScanPass()) return true;
  platform::endArpSweep();
  return false;
}

// A typed address as the scan tab's fields read it, short forms included.
bool parseScanAddress(std::string_view text, std::uint32_t& hostOrder) {
  return readIpv4Text(text, hostOrder, true);
}

// The summary of a pass, for stderr.
std::string scanSummaryLine(bool interrupted, std::uint32_t found, std::uint32_t probed,
                            std::uint32_t total, double seconds) {
  char line[160];
  std::snprintf(line, sizeof line, "scan %s: %u found, %u of %u addresses probed, %.2f s",
                interrupted ? "interrupted" : "done", found, probed, total, seconds);
  return line;
}

// Every worker has been told to end, after its last write: the records are settled.
void finishPass() {
  platform::endArpSweep();
  // What the sweep heard after the last hand-off.
  reportAddressConflicts();
  std::uint32_t found = 0, probed = 0;
  for (const AddressEntry& e : ScanResults) {
    if (e.probeState != 0) ++probed;
    if (e.probeState == 1) ++found;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - run.passStart).count();
  std::string line = scanSummaryLine(stopRequested, found, probed,
                                     static_cast<std::uint32_t>(ScanResults.size()), seconds);
  if (run.repeating) {
    char next[64];
    std::snprintf(
        next, sizeof next, "; next pass in %lld s",
        static_cast<long long>(
            std::chrono::ceil<std::chrono::seconds>(run.nextTick - Clock::now()).count()));
    line += next;
  }
  warnConsole(line);
}

// The tick after now, on the schedule that began at the run: ticks that came during a pass
// are lost, as the page ignores them.
void advanceTick() {
  const auto now = Clock::now();
  while (run.nextTick <= now) run.nextTick += run.interval;
}

// The page's stop button: the repeat first, then the pass under way.
bool stopRequestEnds() {
  if (run.repeating) {
    run.repeating = false;
    repeatArmed = false;
  }
  if (scanRunning) {
    stopScanPass();
    platform::narrowArpSweep();
    return false;
  }
  setStatusText(2, "Опрос: Готово");
  return true;
}

int scanLoop() {
  for (;;) {
    // A far deadline rather than time_point::max(), whose conversion inside the wait can
    // overflow.
    const bool waitingForTick = run.repeating && !scanRunning;
    const auto deadline = waitingForTick ? run.nextTick : Clock::now() + std::chrono::hours(24);
    MainEvent event{MainEventKind::RouteChange, 0};
    if (!waitMainEvent(mainQueue, deadline, event)) {
      if (waitingForTick && Clock::now() >= run.nextTick) {
        advanceTick();
        if (!startPass()) warnConsole("no scan worker could be started; trying again later");
      }
      continue;
    }
    switch (event.kind) {
      case MainEventKind::ScanHandOff:
        runScanHandOff(event.data);
        // A closed stdout (vetrel scan | head) stops the pass as the stop button does.
        if (session.outputFailed && scanRunning && !stopRequested) stopRequestEnds();
        if (run.passEnded) {
          run.passEnded = false;
          if (run.repeating) advanceTick();
          finishPass();
          if (session.outputFailed) return kExitFailure;
          if (!run.repeating) return kExitOk;
        }
        break;
      case MainEventKind::Stop:
        // A second signal leaves at once; workers still probing end with the process.
        if (++run.stops >= 2) {
          saveLearnedSamples();  // what this pass learned so far
          warnConsole("stopped");
          // What is queued gets a moment, a stalled reader no more than that.
          finishConsoleWriter(consoleOut, kSecondStopWait);
          finishConsoleWriter(consoleErr, kSecondStopWait);
          ::_exit(128 + static_cast<int>(event.value));
        }
        if (stopRequestEnds()) {
          warnConsole("scan stopped while waiting for the next pass");
          return kExitOk;
        }
        break;
      case MainEventKind::RouteChange:
      case MainEventKind::TableChange:  // the monitor's; a scan posts none
      case MainEventKind::WireBatch:
        break;
    }
  }
}

}  // namespace

int runScan(const CommandLine& cl) {
  chooseConsoleEncoding(cl.forceUtf8, cl.forceCp1251);
  std::uint32_t first = 0, last = 0;
  const std::string& fromText = cl.operands[0];
  const std::string& toText = cl.operands.size() > 1 ? cl.operands[1] : cl.operands[0];
  if (!parseScanAddress(fromText, first) || !parseScanAddress(toText, last)) {
    warnConsole("'" + (parseScanAddress(fromText, first) ? toText : fromText) +
                "' is not an IPv4 address (four numbers from 0 to 255 joined by dots, or the "
                "short forms a.b.c and a.b)");
    return kExitUsage;
  }
  if (last < first) {
    warnConsole("the last address " + toText + " lies below the first " + fromText);
    return kExitUsage;
  }
  const std::uint64_t count = std::uint64_t{last} - first + 1;
  if (count > kMaxScanAddresses) {
    warnConsole("the range " + fromText + " to " + toText + " holds " + std::to_string(count) +
                " addresses; at most " + std::to_string(kMaxScanAddresses) +
                " can be scanned at once");
    return kExitUsage;
  }
  const DirectoryCheck dir = checkDataDirectory(cl.dir);
  if (!dir.usable) {
    warnConsole(dir.problem);
    return kExitUsage;
  }

  // A monitor on the directory holds it shared. It keeps its own samples in memory and
  // rewrites samples.dat when it learns, so what this scan learned would be lost, and this
  // scan's save would drop what the monitor learned meanwhile.
  const bool monitorRuns = dataDirectoryBusy(cl.dir);

  blockStopSignals();
  if (!startStopSignalThread()) {
    warnConsole("cannot start the signal thread");
    return kExitFailure;
  }
  installConsoleHooks();
  const QueuedConsole queued;
  session.journalToStderr = true;
  session.printScanRows = true;
  if (cl.json) installJsonOutput();
  if (!processHasNetRaw())
    warnConsole("warning: no CAP_NET_RAW: ARP probes will fail (only names can be found)");
  socketsReady = platform::startSockets();
  if (!initPathsInDirectory(cl.dir)) {
    warnConsole("cannot enter the data directory " + cl.dir);
    return kExitFailure;
  }
  openLog();
  loadSettings();
  // Before the syslog thread starts: it reads the table.
  loadMacVendors();
  // A comparing scan's journal lines reach the collector as the monitor's do.
  startSyslog();
  reportSyslogProblem();
  // For this run only: the settings are never saved by this command.
  if (cl.threads > 0) settings.MaxScanThreads = cl.threads;
  if (cl.names) settings.ScanGetName = true;
  if (cl.compare) settings.ScanCheckMac = true;
  if (monitorRuns && settings.ScanCheckMac && settings.AddNew) {
    settings.AddNew = false;
    warnConsole("a monitor runs on " + cl.dir +
                ": new hosts are reported but not learned, samples.dat stays the monitor's");
  }
  loadSamples();
  showSamples();

  createScanLock();
  scanFrontEnd = ScanFrontEnd{};
  scanFrontEnd.handOff = consoleScanHandOff;
  scanFrontEnd.passEnded = onPassEnded;
  run = ScanRun{};
  if (buildScanRange(first, last) != ScanRange::Built) {
    warnConsole("cannot build the address list");
    stopSyslog(kSyslogExitWaitMs);
    return kExitFailure;
  }
  if (cl.repeatMinutes > 0) {
    run.repeating = repeatArmed = true;
    run.interval = std::chrono::minutes(cl.repeatMinutes);
    run.nextTick = Clock::now() + run.interval;
  }
  int code = kExitOk;
  if (startPass() || run.repeating) {
    if (!scanRunning) warnConsole("no scan worker could be started; trying again later");
    code = scanLoop();
  } else {
    warnConsole("no scan worker could be started");
    code = kExitFailure;
  }
  stopSyslog(kSyslogExitWaitMs);
  closeLog();
  // The last rows may fail after the pass ended (a closed stdout): still an output error.
  finishConsoleWriter(consoleOut, kConsoleFinishWait);
  if (code == kExitOk && consoleOut.failed) code = kExitFailure;
  return code;
}
