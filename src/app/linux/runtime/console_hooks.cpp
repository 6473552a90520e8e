#include <chrono>
#include <string>
#include <thread>

#include "app/linux/command_line.h"
#include "app/linux/console/console_text.h"
#include "app/linux/runtime/console_session.h"
#include "app/linux/runtime/monitor_loop.h"
#include "base/external_text.h"
#include "base/ui_hooks.h"
#include "base/vendor_table.h"
#include "platform/system_platform.h"
#include "report/event_text.h"
#include "report/json_line.h"

ConsoleSession session;

namespace {

int listSlot(ListId list) { return static_cast<int>(list); }

std::vector<std::vector<std::string>>* keptRows(ListId list) {
  if (list == ListId::Routes) return &session.routeRows;
  if (list == ListId::Scan) return &session.scanRows;
  return nullptr;
}

void clearList(ListId list) {
  session.rowCounts[listSlot(list)] = 0;
  if (auto* rows = keptRows(list)) rows->clear();
}

int appendRow(ListId list, const char* column0) {
  if (auto* rows = keptRows(list)) rows->push_back({column0 ? column0 : ""});
  return session.rowCounts[listSlot(list)]++;
}

void setCell(ListId list, int row, int column, const char* text) {
  auto* rows = keptRows(list);
  if (!rows || row < 0 || column < 0) return;
  if (static_cast<std::size_t>(row) >= rows->size()) return;
  auto& cells = (*rows)[row];
  if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(column + 1);
  cells[column] = text ? text : "";
}

// The row as the copy command puts it on the clipboard, with LF for CR LF, and the MAC's
// vendor as a fourth column, there (empty) when unknown so that every row has four fields.
void ensureVisible(ListId list, int row) {
  if (list != ListId::Scan || !session.printScanRows || row < 0) return;
  if (static_cast<std::size_t>(row) >= session.scanRows.size()) return;
  const auto& cells = session.scanRows[row];
  std::string line;
  if (session.jsonRows) {
    const auto cell = [&](std::size_t c) { return c < cells.size() ? cells[c] : std::string(); };
    const platform::WallClock now = platform::localNow();
    line =
        scanHostJson(cell(0), cell(1), cell(2), macVendor(cell(1)), now, localOffsetMinutes(now));
  } else {
    // TAB separates the fields: one inside a name would shift them.
    for (std::size_t c = 0; c < 3; ++c) {
      if (c > 0) line += '\t';
      if (c < cells.size()) line += cleanExternalText(cells[c]);
    }
    line += '\t';
    if (cells.size() > 1) line += macVendor(cells[1]);
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
  session.routeRows.clear();
  session.scanRows.clear();
  session.journalToStderr = false;
  session.printScanRows = false;
  session.jsonRows = false;
  session.outputFailed = false;
  for (int& n : session.rowCounts) n = 0;
  for (std::string& s : session.status) s.clear();
  session.journalLines = 0;
  session.checks = 0;
  session.tableChanges = CheckTrigger{};
  session.eventChecks = 0;
  session.wireBacklog = false;
  session.maxTickWork = {};
}

void installConsoleHooks() {
  uiHooks = UiHooks{};
  uiHooks.clearList = clearList;
  uiHooks.appendRow = appendRow;
  uiHooks.setCell = setCell;
  uiHooks.ensureVisible = ensureVisible;
  uiHooks.setStatusText = setStatusText;
  uiHooks.journalLine = journalLine;
  uiHooks.messageBox = messageBox;
  uiHooks.stopCheckTimer = stopCheckTimer;
  uiHooks.endProgram = endProgram;
  uiHooks.pumpMessages = pumpMainQueue;
  uiHooks.sleepMs = sleepMs;
}
