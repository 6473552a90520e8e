#include <chrono>
#include <string>
#include <thread>

#include "app/linux/command_line.h"
#include "app/linux/console/console_text.h"
#include "app/linux/runtime/console_session.h"
#include "app/linux/runtime/monitor_loop.h"
#include "base/address.h"
#include "base/external_text.h"
#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "base/vendor_table.h"
#include "platform/system_platform.h"
#include "report/event_text.h"
#include "report/json_line.h"

ConsoleSession session;

namespace {

// The host as the copy command puts its row on the clipboard, with LF for CR LF, and the MAC's
// vendor as a fourth field, there (empty) when unknown so that every line has four fields.
void scanHostShown(const AddressEntry& host, int) {
  if (!session.printScanRows) return;
  const std::string_view ip = fieldView(host.ipText);
  const std::string_view mac = fieldView(host.macText);
  const std::string_view name = fieldView(host.hostName);
  std::string line;
  if (session.jsonRows) {
    const platform::WallClock now = platform::localNow();
    line = scanHostJson(ip, mac, name, macVendor(mac), now, localOffsetMinutes(now));
  } else {
    // TAB separates the fields: one inside a name would shift them.
    for (const std::string_view field : {ip, mac, name}) line += cleanExternalText(field) + '\t';
    line += macVendor(mac);
  }
  line += '\n';
  if (!writeConsole(consoleOut, line)) session.outputFailed = true;
}

void setStatusText(int part, const char* text) {
  if (part >= 0 && part < 3) session.status[part] = text ? text : "";
}

// The log line carries the date; that is the form a console reader wants.
void journalLine(const char*, const char* logLine) {
  session.journalLines.fetch_add(1, std::memory_order_relaxed);
  if (logLine) writeConsole(session.journalToStderr ? consoleErr : consoleOut, logLine);
}

void messageBox(const char* text, MessageIcon) { warnConsole(text ? text : ""); }

void stopCheckTimer() { stopTicks(session.ticks); }

void endProgram() {
  session.ending = true;
  session.exitCode = kExitFailure;
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

void resetConsoleSession() {
  session.ticks = TickSchedule{};
  session.ending = false;
  session.exitCode = 0;
  session.stopRequested = false;
  session.stopSignal = 0;
  session.refreshDepth = 0;
  session.journalToStderr = false;
  session.printScanRows = false;
  session.jsonRows = false;
  session.outputFailed = false;
  for (std::string& s : session.status) s.clear();
  session.journalLines = 0;
  session.checks = 0;
  session.tableChanges = CheckTrigger{};
  session.table6Changes = CheckTrigger{};
  session.eventChecks = 0;
  session.wireBacklog = false;
  session.maxTickWork = {};
}

void installConsoleHooks() {
  uiHooks = UiHooks{};
  uiHooks.scanHostShown = scanHostShown;
  uiHooks.setStatusText = setStatusText;
  uiHooks.journalLine = journalLine;
  uiHooks.messageBox = messageBox;
  uiHooks.stopCheckTimer = stopCheckTimer;
  uiHooks.endProgram = endProgram;
  uiHooks.pumpMessages = pumpMainQueue;
  uiHooks.sleepMs = sleepMs;
}
