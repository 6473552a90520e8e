// The main window's procedure: layout, tabs, timer, tray, close and the private messages.
#include <algorithm>
#include <initializer_list>
#include <string>

#include "arp/check_cycle.h"
#include "ipv6/watch6.h"
#include "route/route_table.h"
#include "ui/win32/scan_page.h"
#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"
#include "ui/win32/window_limits.h"

HINSTANCE Instance = nullptr;
HWND MainWindow = nullptr;
HWND StatusBar = nullptr;
HWND TabControl = nullptr;
HWND ScanPage = nullptr;
HWND MessageWindow = nullptr;
HWND CurrentPage = nullptr;
HFONT ListFont = nullptr;
HMENU ArpMenu = nullptr, SampleMenu = nullptr, RouteMenu = nullptr;
HMENU Neighbour6Menu = nullptr, Sample6Menu = nullptr, Route6Menu = nullptr;
ListViewControl ArpListView, SampleListView, RouteListView;
ListViewControl Neighbour6ListView, Sample6ListView, Route6ListView;
ListViewControl* FocusedSampleList = &SampleListView;
UINT TaskbarCreatedMessage = 0;
DWORD GuiThreadId = 0;

namespace {
constexpr LPARAM kLeftDoubleClick = WM_LBUTTONDBLCLK;  // 515
constexpr int kMainMinWidth = 480, kMainMinHeight = 340;
}  // namespace

namespace {

int textWidth(HWND list, const wchar_t* text) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text)));
}

// The widest of a column's cells, and of its title too, with the list's cell margins.
struct ColumnWidths {
  int cells = 0;
  int whole = 0;
};
ColumnWidths neededWidths(ListViewControl& view, int column) {
  HWND list = view.WindowHandle();
  wchar_t title[32] = {};
  LVCOLUMNW c{};
  c.mask = LVCF_TEXT;
  c.pszText = title;
  c.cchTextMax = static_cast<int>(std::size(title));
  SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&c));
  int widest = 0;
  const int rows = std::min(view.RowCount(), 512);  // a route table is short
  for (int row = 0; row < rows; ++row) {
    char text[64];  // an IPv6 prefix with its length
    view.GetCellText(row, column, text, sizeof text);
    widest = std::max(widest, textWidth(list, toWide(text).c_str()));
  }
  return {widest + 16, std::max(widest, textWidth(list, title)) + 16};
}

// The written widths when they fit; otherwise each column as wide as its widest text, the
// spare room shared out. Only when even that does not fit do the columns of givingWay
// narrow, in that order: down to a third each, or, cellsStay, to their widest cell (only
// titles are cut).
template <std::size_t N>
void fitColumns(ListViewControl& view, const int (&written)[N],
                std::initializer_list<int> givingWay, bool cellsStay) {
  HWND list = view.WindowHandle();
  RECT client{};
  if (!list || !GetClientRect(list, &client)) return;
  const bool barShown = (GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL) != 0;
  const int room = client.right - (barShown ? 0 : GetSystemMetrics(SM_CXVSCROLL));
  constexpr int kColumns = static_cast<int>(N);
  int widths[N];
  int total = 0;
  for (int i = 0; i < kColumns; ++i) total += widths[i] = written[i];
  if (room > 0 && total > room) {
    ColumnWidths needed[N];
    total = 0;
    for (int i = 0; i < kColumns; ++i) {
      needed[i] = neededWidths(view, i);
      total += widths[i] = needed[i].whole;
    }
    const int spare = room - total;
    for (int i = 0; spare > 0 && i < kColumns; ++i) widths[i] += spare / kColumns;
    for (int i : givingWay) {
      if (total <= room) break;
      const int floor = cellsStay ? needed[i].cells : widths[i] / 3;
      const int cut = std::clamp(total - room, 0, std::max(0, widths[i] - floor));
      widths[i] -= cut;
      total -= cut;
    }
  }
  for (int i = 0; i < kColumns; ++i) SendMessageW(list, LVM_SETCOLUMNWIDTH, i, widths[i]);
}

}  // namespace

// Addresses, masks, metrics and lifetimes are not cut at the default size. Narrower, an IPv4
// route's interface (an address) and gateway give way, down to a third; an IPv6 route's
// columns whose titles are wider than their cells give way first, and no cell is cut while
// the titles can make room.
void fitRouteColumns() {
  fitColumns(RouteListView, kRouteColumnWidths, {3, 2}, false);
  fitColumns(Route6ListView, kRoute6ColumnWidths, {2, 3, 4, 1, 0}, true);
}

void layoutMainWindow(int width, int height) {
  SendMessageW(StatusBar, WM_SIZE, 0, MAKELPARAM(width, height));
  // It moves itself without a repaint; the dialog's own would leave its place blank.
  InvalidateRect(StatusBar, nullptr, TRUE);
  RECT s{};
  GetClientRect(StatusBar, &s);
  const int statusHeight = s.bottom - s.top;
  MoveWindow(TabControl, 5, 5, width - 10, height - statusHeight - 8, TRUE);
  const int pageHeight = height - 44 - statusHeight;
  ArpListView.Move(12, 34, width - 25, pageHeight);
  // The IPv4 samples and routes above, the IPv6 ones below, a gap of 4 between them.
  const int ipv4Height = std::max(0, (pageHeight - 4) * 3 / 5);
  const int ipv6Height = std::max(0, pageHeight - ipv4Height - 4);
  SampleListView.Move(12, 34, width - 25, ipv4Height);
  Sample6ListView.Move(12, 34 + ipv4Height + 4, width - 25, ipv6Height);
  RouteListView.Move(12, 34, width - 25, ipv4Height);
  Route6ListView.Move(12, 34 + ipv4Height + 4, width - 25, ipv6Height);
  Neighbour6ListView.Move(12, 34, width - 25, pageHeight);
  fitRouteColumns();
  if (ScanPage) MoveWindow(ScanPage, 7, 29, width - 16, height - statusHeight - 34, TRUE);
}

void layoutMainWindowNow() {
  RECT client{};
  if (GetClientRect(MainWindow, &client)) layoutMainWindow(client.right, client.bottom);
}

void switchPage() {
  const int index = static_cast<int>(SendMessageW(TabControl, TCM_GETCURSEL, 0, 0));
  if (CurrentPage) ShowWindow(CurrentPage, SW_HIDE);
  if (CurrentPage == SampleListView.WindowHandle()) Sample6ListView.Hide();
  if (CurrentPage == RouteListView.WindowHandle()) Route6ListView.Hide();
  HWND pages[] = {ArpListView.WindowHandle(), SampleListView.WindowHandle(), ScanPage,
                  RouteListView.WindowHandle(), Neighbour6ListView.WindowHandle()};
  if (index >= 0 && index < static_cast<int>(std::size(pages))) {
    CurrentPage = pages[index];
    ShowWindow(CurrentPage, SW_SHOW);
    if (CurrentPage == ScanPage) offerScanRange();
    if (CurrentPage == SampleListView.WindowHandle()) Sample6ListView.Show();
    if (CurrentPage == RouteListView.WindowHandle()) Route6ListView.Show();
  }
  if (CurrentPage == SampleListView.WindowHandle())
    SetFocus(FocusedSampleList->WindowHandle());
  else if (CurrentPage)
    SetFocus(CurrentPage);
}

bool switchTabByKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || !(GetKeyState(VK_CONTROL) & 0x8000))
    return false;
  if (!MainWindow || !TabControl || (msg.hwnd != MainWindow && !IsChild(MainWindow, msg.hwnd)))
    return false;
  const int count = static_cast<int>(SendMessageW(TabControl, TCM_GETITEMCOUNT, 0, 0));
  if (count <= 0) return false;
  const int step = (GetKeyState(VK_SHIFT) & 0x8000) ? count - 1 : 1;
  const int index = static_cast<int>(SendMessageW(TabControl, TCM_GETCURSEL, 0, 0));
  // Setting the selection sends no TCN_SELCHANGE: the page is switched here.
  SendMessageW(TabControl, TCM_SETCURSEL, (index + step) % count, 0);
  switchPage();
  return true;
}

void pumpWaitingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Not ours to consume: the main loop must still see it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (switchTabByKey(msg)) continue;
    if (MainWindow && IsDialogMessageW(MainWindow, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

INT_PTR CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == TaskbarCreatedMessage && TaskbarCreatedMessage != 0) {
    addTrayIcon();
    return TRUE;
  }
  if (message == ShowFirstCopyMessage && ShowFirstCopyMessage != 0) {
    showFirstCopy(window);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      initialiseMainWindow(window);
      return TRUE;
    case WM_SIZE:
      layoutMainWindow(LOWORD(lParam), HIWORD(lParam));
      return FALSE;
    case WM_TIMER:
      showWaitingLines();  // lines whose wake-up could not be posted
      takeTableRead();     // a read whose wake-up could not be posted
      checkTick();
      return TRUE;
    case WM_CLOSE:
      if (askQuestion("Выйти из программы?", nullptr)) shutDown();
      return TRUE;
    case WM_QUERYENDSESSION:
      // The dialog manager returns the answer from the window's own data, so the window must
      // outlive this message: the shut-down saves and journals now and destroys it later.
      shutDown(ShutDownEnd::Posted);
      SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) shutDown();  // the process ends after this message
      return TRUE;
    case kEndMessage:
      endAfterShutDown();
      return TRUE;
    case WM_GETMINMAXINFO:
      // Room for the five tabs, the scan status in full and a few rows of every list, the
      // scan page's result list under its controls included.
      limitWindowSize(window, reinterpret_cast<MINMAXINFO*>(lParam), kMainMinWidth, kMainMinHeight);
      return TRUE;
    case WM_DESTROY:
      finishMainWindow();
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        ShowWindow(window, SW_HIDE);
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        ShowWindow(window, SW_HIDE);
        return TRUE;
      }
      // Return in a field of the scan page: the dialog manager hands the page's default
      // button to the top-level dialog.
      if (LOWORD(wParam) == IDOK && ScanPage && CurrentPage == ScanPage) {
        SendMessageW(ScanPage, WM_COMMAND, wParam, lParam);
        return TRUE;
      }
      handleCommand(LOWORD(wParam));
      return TRUE;
    case WM_CONTEXTMENU:
      // From the keyboard only (Shift+F10, the menu key): a right click has its NM_RCLICK.
      if (fromKeyboard(lParam)) handleKeyboardContextMenu(reinterpret_cast<HWND>(wParam));
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header) return FALSE;
      if (ArpListView.AnswerCellRequest(header) || SampleListView.AnswerCellRequest(header) ||
          Neighbour6ListView.AnswerCellRequest(header) ||
          Sample6ListView.AnswerCellRequest(header) || Route6ListView.AnswerCellRequest(header))
        return TRUE;
      if (header->idFrom == IDC_TABS && header->code == TCN_SELCHANGE)
        switchPage();
      else
        handleListNotify(header);
      return FALSE;
    }
    case kTrayMessage:
      if (lParam == kLeftDoubleClick) {
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
      }
      return TRUE;
    case kRouteChangeMessage:
      refreshRoutes(static_cast<std::uint32_t>(lParam));
      fitRouteColumns();
      return TRUE;
    case kRoute6ChangeMessage:
      checkRoutes6();
      return TRUE;
    case kTableReadMessage:
      takeTableRead();
      return TRUE;
    case kJournalLineMessage:
      showWaitingLines();
      return TRUE;
    case kPopUpMessage:
      popUpMessageWindow();
      return TRUE;
  }
  return FALSE;
}
