// The process entry, the start-up of the main window and the orderly end.

#include <cstdint>
#include <iterator>

#include "arp/arp_table.h"
#include "arp/check_cycle.h"
#include "arp/list_views.h"
#include "arp/sample_view.h"
#include "arp/samples.h"
#include "arp/statics.h"
#include "base/detached_thread.h"
#include "base/ui_hooks.h"
#include "ipv6/neighbour6_view.h"
#include "ipv6/route6_view.h"
#include "ipv6/samples6.h"
#include "platform/neighbour6_platform.h"
#include "platform/system_platform.h"
#include "report/journal.h"
#include "report/mail_message.h"
#include "report/mail_queue.h"
#include "report/mail_thread.h"
#include "report/start_lines.h"
#include "report/syslog_sender.h"
#include "report/window_lines.h"
#include "route/adapters.h"
#include "route/route_table.h"
#include "settings/settings.h"
#include "ui/win32/scan_page.h"
#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"

std::string LogPath = "quorel.log";

namespace {

bool shuttingDown = false;

constexpr COLORREF kListBack = RGB(0, 0, 0);
constexpr COLORREF kListText = RGB(220, 220, 220);

void postRouteChange(std::uint32_t count) {
  PostMessageW(MainWindow, kRouteChangeMessage, 0, static_cast<LPARAM>(count));
}

// Ends when the system cannot tell (Wine at once); the check's tick reads the routes anyway.
void route6Watch() {
  while (platform::notifyRoute6Change() == 0) PostMessageW(MainWindow, kRoute6ChangeMessage, 0, 0);
}

void createStatusBar() {
  StatusBar = CreateWindowExW(
      0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_BOTTOM, 0, 0, 0, 0,
      MainWindow, reinterpret_cast<HMENU>(IDC_STATUS_BAR), Instance, nullptr);
  int edges[3] = {100, 220, -1};
  SendMessageW(StatusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  setStatusText(0, "Кэш: 0");
}

struct ListColumn {
  const char* title;
  int width;
  int alignment;  // 0 left, 1 centred, 2 right
};

// One list page of the main window: created hidden at size zero, laid out on resize.
template <std::size_t N>
void createListPage(ListViewControl& list, int id, const ListColumn (&columns)[N], bool dark) {
  list.Create(0, 0, 0, 0, MainWindow, id, Instance);
  if (dark) {
    list.SetBackColour(kListBack);
    list.SetTextColour(kListText);
  }
  for (const ListColumn& c : columns) list.AddColumn(c.title, c.width, c.alignment);
  list.SetFont(ListFont);
}

void createListViews() {
  static const ListColumn sampleColumns[] = {{"IP", 140, 0}, {"MAC", 160, 0}, {"Имя", 200, 0}};
  static const ListColumn routeColumns[] = {{"Адрес", kRouteColumnWidths[0], 2},
                                            {"Маска", kRouteColumnWidths[1], 2},
                                            {"Шлюз", kRouteColumnWidths[2], 2},
                                            {"Интерфейс", kRouteColumnWidths[3], 2},
                                            {"Метрика", kRouteColumnWidths[4], 2}};
  static const ListColumn arpColumns[] = {
      {"IP", 140, 0}, {"MAC", 160, 0}, {"Тип", 40, 1}, {"Имя", 160, 0}};
  static const ListColumn neighbour6Columns[] = {{"IP-адрес", 210, 0},
                                                 {"MAC-адрес", 150, 0},
                                                 {"Тип", 40, 1},
                                                 {"Интерфейс", 105, 2},
                                                 {"Имя", 150, 0}};
  static const ListColumn sample6Columns[] = {{"IPv6", 260, 0}, {"MAC", 160, 0}, {"Имя", 200, 0}};
  static const ListColumn route6Columns[] = {{"Назначение", kRoute6ColumnWidths[0], 2},
                                             {"Шлюз", kRoute6ColumnWidths[1], 2},
                                             {"Интерфейс", kRoute6ColumnWidths[2], 2},
                                             {"Метрика", kRoute6ColumnWidths[3], 2},
                                             {"Время жизни", kRoute6ColumnWidths[4], 2}};
  Neighbour6ListView.UseCellSource(neighbour6ListCell);
  Sample6ListView.UseCellSource(sample6ListCell);
  createListPage(Neighbour6ListView, IDC_NEIGHBOUR6_LIST, neighbour6Columns, true);
  Neighbour6ListView.Hide();
  createListPage(Sample6ListView, IDC_SAMPLE6_LIST, sample6Columns, false);
  Sample6ListView.Hide();
  // The ARP and sample lists read their rows from CacheList and SampleList when drawn.
  SampleListView.UseCellSource(sampleListCell);
  ArpListView.UseCellSource(cacheListCell);
  createListPage(SampleListView, IDC_SAMPLE_LIST, sampleColumns, false);
  SampleListView.Hide();
  createListPage(RouteListView, IDC_ROUTE_LIST, routeColumns, true);
  RouteListView.Hide();
  Route6ListView.UseCellSource(route6ListCell);
  createListPage(Route6ListView, IDC_ROUTE6_LIST, route6Columns, true);
  Route6ListView.Hide();
  createListPage(ArpListView, IDC_ARP_LIST, arpColumns, true);
  CurrentPage = ArpListView.WindowHandle();
}

void createTabs() {
  TabControl =
      CreateWindowExW(WS_EX_NOPARENTNOTIFY, WC_TABCONTROLW, L"",
                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | TCS_HOTTRACK, 0, 0, 0,
                      0, MainWindow, reinterpret_cast<HMENU>(IDC_TABS), Instance, nullptr);
  SendMessageW(TabControl, WM_SETFONT, SendMessageW(StatusBar, WM_GETFONT, 0, 0), FALSE);
  const char* titles[] = {"ARP-кэш", "Образцы", "Опрос", "Маршруты", "IPv6"};
  for (int i = 0; i < static_cast<int>(std::size(titles)); ++i) {
    std::wstring title = toWide(titles[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = title.data();
    SendMessageW(TabControl, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  // Later siblings lie below earlier ones; the pages must cover the tab control's body.
  SetWindowPos(TabControl, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// A fatal start-up error: the window goes, and with it the loop (exit code 0).
void failStartUp(const char* text) {
  showMessage(text, MB_ICONERROR);
  DestroyWindow(MainWindow);
}

}  // namespace

bool initialiseMainWindow(HWND window) {
  MainWindow = window;
  SetWindowLongPtrW(window, GWL_STYLE,
                    GetWindowLongPtrW(window, GWL_STYLE) | WS_POPUP | WS_CAPTION | WS_SYSMENU |
                        WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  createStatusBar();
  ListFont = CreateFontW(-13, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, L"Courier New");
  ScanPage = createScanPage(window);
  if (ScanPage) EnableThemeDialogTexture(ScanPage, ETDT_ENABLETAB);
  createListViews();
  buildContextMenus();
  createTabs();
  MessageWindow = createMessageWindow(window);

  socketsReady = platform::startSockets();
  if (!socketsReady)
    showMessage(
        "Ошибка инициализации сокетов.\nНе будет работать запрос имени хоста и сообщение по "
        "почте.",
        MB_ICONERROR);

  initPaths();
  loadSettings();  // without a settings file: the defaults, window positions included
  const std::vector<std::string> settingsBounds = boundLoadedSettings();
  showScanOptions();
  computeTimeZoneText();
  startSyslog();
  journalStartLines(settingsBounds, true);

  if (!discoverAdapters()) {
    failStartUp("Ошибка при определении сетевого адаптера.");
    return false;
  }
  if (!createArpSnapshot()) {
    failStartUp("Ошибка выделения памяти.");
    return false;
  }
  SetWindowPos(MessageWindow, nullptr, settings.MsgX, settings.MsgY, settings.Msgcx, settings.Msgcy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  loadSamples();
  showSamples();
  loadSamples6();  // while WatchIpv6 is off it tells nothing
  showSamples6();
  if (settings.SaveStat) loadStatics();
  seedCheckRandom(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)));
  if (settings.HideOnRun) PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  PostMessageW(window, TaskbarCreatedMessage, 0, 0);

  // Without the thread route changes go unnoticed; the list still fills and "Обновить" works.
  startDetached(routeWatch, postRouteChange);
  startDetached(route6Watch);
  OwnRouteChange = true;
  // The first fill runs from the loop: the refresh waits a second for further changes and
  // handles waiting messages meanwhile, which would delay the window and let the minimise
  // above act on a window not yet shown.
  PostMessageW(window, kRouteChangeMessage, 0, 0);

  checkCountdown = 1;
  SetTimer(window, IDT_CHECK, 1000, nullptr);
  return true;
}

void shutDown(ShutDownEnd end) {
  if (!shuttingDown) {
    shuttingDown = true;
    KillTimer(MainWindow, IDT_CHECK);
    endTableReads();
    if (settings.SaveStat) saveStatics();
    saveSettings();
    reportEvent("Выход из программы.", Info);
    if (settings.WriteLog) reportEvent("Конец записи в лог-файл.", Info);
    stopSyslog(kSyslogExitWaitMs);
  }
  if (!MainWindow) return;
  if (end == ShutDownEnd::Posted)
    PostMessageW(MainWindow, kEndMessage, 0, 0);
  else
    DestroyWindow(MainWindow);
}

void endAfterShutDown() {
  if (shuttingDown && MainWindow) DestroyWindow(MainWindow);
}

void finishMainWindow() {
  closeWindowLines();
  removeTrayIcon();
  freeArpSnapshot();
  if (socketsReady) platform::stopSockets();
  socketsReady = false;
  ArpListView.ReleaseImageList();
  SampleListView.ReleaseImageList();
  RouteListView.ReleaseImageList();
  Neighbour6ListView.ReleaseImageList();
  Sample6ListView.ReleaseImageList();
  Route6ListView.ReleaseImageList();
  MainWindow = nullptr;
  PostQuitMessage(0);
}
