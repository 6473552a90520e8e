#include "app/linux/console/json_output.h"

#include <string>

#include "app/linux/console/console_text.h"
#include "app/linux/runtime/console_session.h"
#include "base/ui_hooks.h"
#include "report/journal_tap.h"
#include "report/json_line.h"

namespace {

// The window line still counts for --stats; the JSON tap does the printing.
void countLine(const char*, const char*) {
  session.journalLines.fetch_add(1, std::memory_order_relaxed);
}

void printJson(const JournalRecord& record) {
  std::string line = journalJson(record);
  line += '\n';
  writeConsole(consoleOut, line);
}

}  // namespace

void installJsonOutput() {
  // The objects are UTF-8 already: stdout takes them unconverted, terminal or not.
  consoleOut.utf8 = false;
  session.jsonRows = true;
  uiHooks.journalLine = countLine;
  removeJournalTap(printJson);  // once, however often a test installs it
  addJournalTap(printJson);
}
