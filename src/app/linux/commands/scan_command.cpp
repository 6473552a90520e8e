#include "app/linux/commands/scan_command.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/linux/commands/scan_target.h"
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
#include "base/external_text.h"
#include "platform/adapter_platform.h"
#include "platform/probe_platform.h"
#include "platform/socket_platform.h"
#include "report/journal.h"
#include "report/mail_queue.h"
#include "report/start_lines.h"
#include "report/syslog_sender.h"
#include "scan/address_conflicts.h"
#include "scan/range_offer.h"
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

std::string rangeText(std::uint32_t first, std::uint32_t last) {
  char a[20], b[20];
  formatIpv4(hostToNetwork(first), a);
  formatIpv4(hostToNetwork(last), b);
  return first == last ? std::string(a) : std::string(a) + " to " + b;
}

std::int32_t adapterIndex(const std::vector<PlatformAdapter>& adapters, const CommandLine& cl) {
  for (const PlatformAdapter& a : adapters)
    if (a.name == cl.interfaceName) return a.index;
  return 0;
}

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
      case MainEventKind::LogReopen:
        reopenLogOnSignal();
        break;
      case MainEventKind::RouteChange:
      case MainEventKind::TableChange:  // the monitor's; a scan posts none
      case MainEventKind::Table6Change:
      case MainEventKind::Route6Change:
      case MainEventKind::WireBatch:
        break;
    }
  }
}

// Where the range comes from and whether requests can reach it; kExitOk with the range, or
// the exit code after the complaint. No probe can be sent without a packet socket or to a
// range off every subnet: that fails, as a scan that found nothing would not.
int chooseScanRange(const CommandLine& cl, std::uint32_t& first, std::uint32_t& last) {
  std::vector<PlatformAdapter> adapters;
  const std::uint32_t adapterError = platform::getAdapters(adapters);
  const std::vector<ScanSubnet> subnets = scanSubnets(adapters, cl.interfaceName);
  if (!cl.interfaceName.empty() && subnets.empty()) {
    warnConsole("no interface " + cleanExternalText(cl.interfaceName) + " with an IPv4 address" +
                (adapterError ? " (the adapters cannot be read)" : ""));
    return kExitUsage;
  }
  if (cl.localnet) {
    if (subnets.empty()) {
      warnConsole("--localnet: no interface has an IPv4 address");
      return kExitFailure;
    }
    const OfferedRange r = offeredRangeFor(subnets[0].address, subnets[0].mask);
    first = r.first;
    last = r.last;
  } else {
    const ScanTarget target = readScanTarget(cl.operands);
    if (!target.error.empty()) {
      warnConsole(target.error);
      return kExitUsage;
    }
    first = target.first;
    last = target.last;
  }
  if (const int error = packetSocketError()) {
    warnConsole(std::string("cannot send ARP requests: ") + std::strerror(error) +
                (error == EPERM ? " (needs CAP_NET_RAW: run as root)" : ""));
    return kExitFailure;
  }
  const std::uint64_t count = std::uint64_t{last} - first + 1;
  const std::uint64_t reached = addressesOnSubnets(first, last, subnets);
  const std::string range = rangeText(first, last);
  if (reached == 0) {
    warnConsole("the range " + range + " lies off every subnet of " +
                (cl.interfaceName.empty() ? "the interfaces" : "the interface") + " (" +
                subnetsText(subnets) + "): no ARP request can reach it");
    return kExitFailure;
  }
  if (reached < count)
    warnConsole("warning: " + std::to_string(count - reached) + " of " + std::to_string(count) +
                " addresses of " + range + " lie off every subnet and get no ARP request");
  if (!cl.interfaceName.empty())
    platform::restrictArpInterface(static_cast<std::uint32_t>(adapterIndex(adapters, cl)));
  return kExitOk;
}

}  // namespace

int runScan(const CommandLine& cl) {
  chooseConsoleEncoding(cl.forceUtf8, cl.forceCp1251);
  std::uint32_t first = 0, last = 0;
  if (const int code = chooseScanRange(cl, first, last); code != kExitOk) return code;
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
  socketsReady = platform::startSockets();
  if (!initPathsInDirectory(cl.dir)) {
    warnConsole("cannot enter the data directory " + cl.dir);
    return kExitFailure;
  }
  openLogLazily();
  loadSettings();
  const std::vector<std::string> settingsBounds = boundLoadedSettings();
  // Before the syslog thread starts: it reads the table.
  loadMacVendors();
  // A comparing scan's journal lines reach the collector as the monitor's do.
  startSyslog();
  journalStartLines(settingsBounds, false);
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
