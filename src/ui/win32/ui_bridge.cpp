// The logic's user-interface hooks, served by the shell's windows.
#include <string>

#include "base/ui_hooks.h"
#include "report/window_lines.h"
#include "settings/settings.h"
#include "ui/win32/scan_page.h"
#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"

ListViewControl* ScanListView = nullptr;

namespace {

ListViewControl* listFor(ListId list) {
  switch (list) {
    case ListId::Arp:
      return &ArpListView;
    case ListId::Samples:
      return &SampleListView;
    case ListId::Routes:
      return &RouteListView;
    case ListId::Scan:
      return ScanListView;
    case ListId::Neighbours6:
      return &Neighbour6ListView;
    case ListId::Samples6:
      return &Sample6ListView;
    case ListId::Routes6:
      return &Route6ListView;
  }
  return nullptr;
}

void clearList(ListId list) {
  if (ListViewControl* v = listFor(list)) v->DeleteAllRows();
}

int appendRow(ListId list, const char* column0) {
  ListViewControl* v = listFor(list);
  return v ? v->AppendRow(column0) : -1;
}

void setCell(ListId list, int row, int column, const char* text) {
  if (ListViewControl* v = listFor(list)) v->SetCellText(row, column, text);
}

void markSortedColumn(ListId list, int column) {
  if (ListViewControl* v = listFor(list)) v->MarkSortedColumn(column);
}

// The row is already in the list; the newest host is scrolled to as it is found.
void scanHostShown(const AddressEntry&, int row) {
  if (ScanListView && row >= 0) ScanListView->EnsureVisible(row);
}

void holdRedraw(ListId list, bool hold) {
  if (list == ListId::Scan)
    holdScanListRedraw(hold);
  else if (ListViewControl* v = listFor(list))
    v->HoldRedraw(hold);
}

bool showRows(ListId list, std::size_t rows) {
  ListViewControl* v = listFor(list);
  if (!v || !v->HasCellSource()) return false;
  v->ShowRows(rows);
  if (list == ListId::Routes6) fitRouteColumns();  // new rows may need other widths
  return true;
}

void setStatus(int part, const char* text) {
  if (!StatusBar) return;
  std::wstring wide = toWide(text);
  SendMessageW(StatusBar, SB_SETTEXTW, static_cast<WPARAM>(part),
               reinterpret_cast<LPARAM>(wide.c_str()));
}

bool onGuiThread() { return GetCurrentThreadId() == GuiThreadId; }

// The mail thread reports too; it must neither touch a window nor wait for the GUI thread
// (which may be waiting for it), so it queues a copy, wakes the GUI thread and goes on.
void journalLine(const char* windowLine, const char* /*logLine*/) {
  if (onGuiThread()) {
    showWaitingLines();  // earlier lines of other threads first
    appendMessageLine(windowLine);
    return;
  }
  bool wake = false;
  if (queueWindowLine(windowLine, wake) && wake) {
    HWND main = MainWindow;
    // A lost wake-up only delays the lines to the next tick.
    if (main) PostMessageW(main, kJournalLineMessage, 0, 0);
  }
}

void popUpMessages() {
  if (onGuiThread())
    popUpMessageWindow();
  else if (MainWindow)
    PostMessageW(MainWindow, kPopUpMessage, 0, 0);
}

void messageBox(const char* text, MessageIcon icon) {
  const UINT type = icon == MessageIcon::Error         ? MB_ICONERROR
                    : icon == MessageIcon::Information ? MB_ICONINFORMATION
                                                       : MB_ICONQUESTION;
  showMessage(text, type);
}

bool askYesNo(const char* text, const char* caption) { return askQuestion(text, caption); }

void stopCheckTimer() {
  if (MainWindow) KillTimer(MainWindow, IDT_CHECK);
}

void endProgram() {
  if (MainWindow) DestroyWindow(MainWindow);
}

void sleepMs(int ms) { Sleep(ms > 0 ? static_cast<DWORD>(ms) : 0); }

// The normal (restored) rectangle in screen coordinates, as SetWindowPos takes it at the
// next start. The placement gives it in workspace coordinates, which with a taskbar at the
// top or left differ by the taskbar's size: saved as they are, the window would creep.
bool normalRect(HWND window, WindowRect& out) {
  if (!window) return false;
  WINDOWPLACEMENT p{};
  p.length = sizeof p;
  if (!GetWindowPlacement(window, &p)) return false;
  RECT r = p.rcNormalPosition;
  MONITORINFO m{};
  m.cbSize = sizeof m;
  const bool tool = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
  if (!tool && GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &m))
    OffsetRect(&r, m.rcWork.left - m.rcMonitor.left, m.rcWork.top - m.rcMonitor.top);
  out = {r.left, r.top, r.right, r.bottom};
  return true;
}

bool readMainRect(WindowRect& out) { return normalRect(MainWindow, out); }
bool readMessageRect(WindowRect& out) { return normalRect(MessageWindow, out); }

}  // namespace

void installUiHooks() {
  uiHooks.clearList = clearList;
  uiHooks.appendRow = appendRow;
  uiHooks.setCell = setCell;
  uiHooks.markSortedColumn = markSortedColumn;
  uiHooks.scanHostShown = scanHostShown;
  uiHooks.holdRedraw = holdRedraw;
  uiHooks.showRows = showRows;
  uiHooks.setStatusText = setStatus;
  uiHooks.journalLine = journalLine;
  uiHooks.popUpMessages = popUpMessages;
  uiHooks.messageBox = messageBox;
  uiHooks.askYesNo = askYesNo;
  uiHooks.stopCheckTimer = stopCheckTimer;
  uiHooks.endProgram = endProgram;
  uiHooks.pumpMessages = pumpWaitingMessages;
  uiHooks.sleepMs = sleepMs;
  uiHooks.readTableAside = startTableRead;
  readMainWindowRect = readMainRect;
  readMessageWindowRect = readMessageRect;
}
