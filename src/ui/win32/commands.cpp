// The commands of the main menu and the context menus, and the reactions to list clicks.

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "arp/arp_table.h"
#include "arp/check_cycle.h"
#include "arp/list_views.h"
#include "arp/sample_view.h"
#include "arp/samples.h"
#include "base/address.h"
#include "base/text_field.h"
#include "ipv6/watch6.h"
#include "platform/system_platform.h"
#include "report/journal.h"
#include "route/route_table.h"
#include "scan/entry_dialogs.h"
#include "scan/scanner.h"
#include "settings/settings.h"
#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"

namespace {

HMENU makeMenu(std::initializer_list<std::pair<int, const char*>> items) {
  HMENU menu = CreatePopupMenu();
  for (const auto& [id, text] : items) {
    const std::wstring wide = toWide(text);
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), wide.c_str());
  }
  return menu;
}

void showContextMenu(HMENU menu, HWND list = nullptr) {
  POINT at{};
  if (!list || !contextMenuPlace(list, at)) GetCursorPos(&at);
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, MainWindow, nullptr);
}

struct RowAddress {
  char ip[20];
  char mac[20];
};

RowAddress rowAddress(ListViewControl& list, int row) {
  RowAddress a{};
  list.GetCellText(row, 0, a.ip, sizeof a.ip);
  list.GetCellText(row, 1, a.mac, sizeof a.mac);
  return a;
}

// The selected rows, copied before a loop that may show message boxes: a check that
// refills the list meanwhile would drop the live selection. False, after its message,
// when the copy does not fit in memory.
bool copySelectedRows(ListViewControl& list, std::vector<RowAddress>& rows) {
  try {
    for (int r = list.NextSelected(-1); r != -1; r = list.NextSelected(r))
      rows.push_back(rowAddress(list, r));
  } catch (const std::bad_alloc&) {
    showMessage("Ошибка выделения памяти.", MB_ICONERROR);
    return false;
  }
  return true;
}

void deleteSelectedArpEntries() {
  for (int r = ArpListView.NextSelected(-1); r != -1; r = ArpListView.NextSelected(r))
    deleteArpEntry(rowAddress(ArpListView, r).ip);
  checkTick();
}

void deleteAllArpEntries() {
  const int n = ArpListView.RowCount();
  if (n == 0) return;
  // A check can refill the list while the question is open; Yes deletes what was listed.
  std::vector<RowAddress> listed;
  try {
    listed.reserve(static_cast<std::size_t>(n));
  } catch (const std::bad_alloc&) {
    showMessage("Ошибка выделения памяти.", MB_ICONERROR);
    return;
  }
  for (int r = 0; r < n; ++r) listed.push_back(rowAddress(ArpListView, r));
  if (!askQuestion("Удалить все записи из ARP-кэша?", nullptr)) return;
  for (const RowAddress& a : listed) deleteArpEntry(a.ip);
  checkTick();
}

void addSelectedToSamples() {
  std::vector<RowAddress> selected;
  if (!copySelectedRows(ArpListView, selected)) return;
  for (const RowAddress& a : selected) {
    AddressEntry e = makeEntry();
    copyField(e.ipText, a.ip);
    copyField(e.macText, a.mac);
    if (!addSampleTelling(e)) break;
  }
  showSamples();
  saveSamples();
}

void deleteSelectedSamples() {
  // Rows after a removed one move up, so the search goes on from one place before it.
  for (int r = SampleListView.NextSelected(-1); r != -1; r = SampleListView.NextSelected(r - 1)) {
    SampleListView.DeleteRow(r);
    if (r < static_cast<int>(SampleList.size())) removeSample(r);
  }
  setStatusText(1, "Образцы: %u", static_cast<unsigned>(SampleList.size()));
  refreshCacheNames();
  saveSamples();
}

void moveSelectedSample(void (*move)()) {
  SelectedRow = SampleListView.FirstSelected();
  move();
  showSamples();
  if (SelectedRow >= 0) SampleListView.SelectOnly(SelectedRow);
  saveSamples();
}

void addSelectedToCache() {
  std::vector<RowAddress> selected;
  if (!copySelectedRows(SampleListView, selected)) return;
  for (const RowAddress& a : selected) {
    // A pattern, an empty or a group MAC names no host: only a real pair is written.
    const std::string failed = addStaticEntry(a.ip, a.mac);
    if (!failed.empty()) showMessage(failed.c_str(), MB_ICONERROR);
  }
  checkTick();
}

std::string sampleListText() {
  std::string text;
  const int n = SampleListView.RowCount();
  for (int r = 0; r < n; ++r) {
    const RowAddress a = rowAddress(SampleListView, r);
    char name[64];
    SampleListView.GetCellText(r, 2, name, sizeof name);
    text += a.ip;
    text += '\t';
    text += a.mac;
    text += '\t';
    text += name;
    text += "\r\n";
  }
  return text;
}

void copySampleList() { copyTextToClipboard(MainWindow, sampleListText()); }

void refreshRouteList() {
  OwnRouteChange = true;
  refreshRoutes(0);
  checkRoutes6();
  fitRouteColumns();
}

void deleteSelectedRoute() {
  SelectedRow = RouteListView.FirstSelected();
  deleteChosenRoute(SelectedRow);
}

void openLogFile() {
  const std::wstring path = toWide(LogPath.c_str());
  ShellExecuteW(MainWindow, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The journal keeps the log open; it is closed around the removal and opened again, so
// the next line starts a new file.
void deleteLogFile() {
  if (!askQuestion("Удалить лог-файл?", nullptr)) return;
  closeLog();
  platform::removeFile(LogPath.c_str());
  openLog(LogPath.c_str());
}

void editSelectedSample() {
  SelectedRow = FocusedSampleList->FirstSelected();
  if (SelectedRow < 0) return;
  openSampleDialog(0);
}

}  // namespace

bool addSampleTelling(const AddressEntry& row) {
  // A row found by name alone is added without a MAC; any other field that holds no value
  // of its kind is refused, the others are stored in one form.
  const FieldFault fault = sampleFault(row, true);
  if (fault.field != EntryField::None) {
    showMessage(fault.text.c_str(), MB_ICONERROR);
    return true;
  }
  const AddressEntry e = canonicalSample(row);
  const int added = addSample(e);
  if (added == kSampleNoMemory) {
    showMessage("Ошибка выделения памяти.", MB_ICONERROR);
    return false;
  }
  if (added == -1) showMessage(duplicateSampleText(e.ipText).c_str(), MB_ICONERROR);
  return true;
}

void buildContextMenus() {
  ArpMenu = makeMenu({{IDM_ARP_ADD, "Добавить новую запись"},
                      {IDM_ARP_DELETE, "Удалить выделенные"},
                      {IDM_ARP_DELETE_ALL, "Удалить все"},
                      {IDM_ARP_TO_SAMPLES, "Добавить в образцы"}});
  SampleMenu = makeMenu({{IDM_SAMPLE_ADD, "Добавить новый"},
                         {IDM_SAMPLE_EDIT, "Редактировать"},
                         {IDM_SAMPLE_DELETE, "Удалить выделенные"},
                         {IDM_SAMPLE_UP, "Выше"},
                         {IDM_SAMPLE_DOWN, "Ниже"},
                         {IDM_SAMPLE_TO_CACHE, "Добавить в кэш"},
                         {IDM_SAMPLE_COPY, "Копировать список"}});
  // The IPv6 samples: no order (none is kept for them) and no IPv4 cache to write.
  Sample6Menu = makeMenu({{IDM_SAMPLE_ADD, "Добавить новый"},
                          {IDM_SAMPLE_EDIT, "Редактировать"},
                          {IDM_SAMPLE_DELETE, "Удалить выделенные"},
                          {IDM_SAMPLE_COPY, "Копировать список"}});
  Neighbour6Menu = makeMenu({{IDM_NEIGHBOUR6_TO_SAMPLES, "Добавить в образцы"},
                             {IDM_NEIGHBOUR6_COPY, "Копировать список"}});
  RouteMenu = makeMenu({{IDM_ROUTE_REFRESH, "Обновить"},
                        {IDM_ROUTE_ADD, "Добавить маршрут"},
                        {IDM_ROUTE_DELETE, "Удалить маршрут"}});
  // The IPv6 routes are shown, not edited: the route dialog and its command know IPv4 only.
  Route6Menu = makeMenu({{IDM_ROUTE_REFRESH, "Обновить"}});
}

void handleCommand(int id) {
  switch (id) {
    case IDM_MESSAGE_WINDOW:
      ShowWindow(MessageWindow, SW_SHOW);
      break;
    case IDM_OPEN_LOG:
      openLogFile();
      break;
    case IDM_DELETE_LOG:
      deleteLogFile();
      break;
    case IDM_SETTINGS:
      openSettingsDialog();
      break;
    case IDM_ABOUT:
      showAboutBox();
      break;
    case IDM_ARP_ADD:
      openArpEntryDialog();
      break;
    case IDM_ARP_DELETE:
      deleteSelectedArpEntries();
      break;
    case IDM_ARP_DELETE_ALL:
      deleteAllArpEntries();
      break;
    case IDM_ARP_TO_SAMPLES:
      addSelectedToSamples();
      break;
    case IDM_SAMPLE_ADD:
      SelectedRow = -1;
      openSampleDialog(0);
      break;
    case IDM_SAMPLE_EDIT:
      editSelectedSample();
      break;
    case IDM_SAMPLE_DELETE:
      if (FocusedSampleList == &Sample6ListView)
        deleteSelectedSamples6();
      else
        deleteSelectedSamples();
      break;
    case IDM_SAMPLE_UP:
      moveSelectedSample(moveSampleUp);
      break;
    case IDM_SAMPLE_DOWN:
      moveSelectedSample(moveSampleDown);
      break;
    case IDM_SAMPLE_TO_CACHE:
      addSelectedToCache();
      break;
    case IDM_SAMPLE_COPY:
      if (FocusedSampleList == &Sample6ListView)
        copySample6List();
      else
        copySampleList();
      break;
    case IDM_NEIGHBOUR6_TO_SAMPLES:
      addSelectedNeighbours6ToSamples();
      break;
    case IDM_NEIGHBOUR6_COPY:
      copyNeighbour6List();
      break;
    case IDM_ROUTE_REFRESH:
      refreshRouteList();
      break;
    case IDM_ROUTE_ADD:
      SelectedRow = RouteListView.FirstSelected();
      openRouteDialog(IDM_ROUTE_ADD);
      break;
    case IDM_ROUTE_DELETE:
      deleteSelectedRoute();
      break;
    default:
      break;
  }
}

bool contextMenuPlace(HWND list, POINT& at) {
  // The keyboard's menu opens below the selected row (or the focused one), else at the
  // list's top left corner.
  int row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  if (row < 0) row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
  RECT r{};
  r.left = LVIR_LABEL;
  if (row >= 0 && SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r))) {
    at = {r.left + 8, r.bottom};
  } else {
    at = {8, 8};
  }
  RECT client{};
  GetClientRect(list, &client);
  if (at.y > client.bottom) at.y = client.bottom;
  return ClientToScreen(list, &at) != FALSE;
}

void handleKeyboardContextMenu(HWND list) {
  if (list == ArpListView.WindowHandle()) {
    showContextMenu(ArpMenu, list);
  } else if (list == SampleListView.WindowHandle()) {
    FocusedSampleList = &SampleListView;
    if (!(scanRunning && settings.ScanCheckMac)) showContextMenu(SampleMenu, list);
  } else if (list == Sample6ListView.WindowHandle()) {
    FocusedSampleList = &Sample6ListView;
    if (!(scanRunning && settings.ScanCheckMac)) showContextMenu(Sample6Menu, list);
  } else if (list == RouteListView.WindowHandle()) {
    showContextMenu(RouteMenu, list);
  } else if (list == Route6ListView.WindowHandle()) {
    showContextMenu(Route6Menu, list);
  } else if (list == Neighbour6ListView.WindowHandle()) {
    showContextMenu(Neighbour6Menu, list);
  }
}

void handleListNotify(const NMHDR* header) {
  // Only a column click comes with an NMLISTVIEW; other codes may bring a bare NMHDR.
  const auto column = [header] { return reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem; };
  switch (header->idFrom) {
    case IDC_ARP_LIST:
      if (header->code == NM_RCLICK) showContextMenu(ArpMenu);
      if (header->code == LVN_COLUMNCLICK) sortCacheList(column());
      break;
    case IDC_SAMPLE_LIST:
      if (header->code == NM_SETFOCUS || header->code == NM_RCLICK || header->code == NM_DBLCLK)
        FocusedSampleList = &SampleListView;
      // While a scan compares with the samples, they may not be changed from the menu.
      if (header->code == NM_RCLICK && !(scanRunning && settings.ScanCheckMac))
        showContextMenu(SampleMenu);
      if (header->code == LVN_COLUMNCLICK) sortSamples(column());
      if (header->code == NM_DBLCLK) {
        SelectedRow = SampleListView.FirstSelected();
        openSampleDialog(0);
        SelectedRow = -1;
      }
      break;
    case IDC_SAMPLE6_LIST:
      if (header->code == NM_SETFOCUS || header->code == NM_RCLICK || header->code == NM_DBLCLK)
        FocusedSampleList = &Sample6ListView;
      if (header->code == NM_RCLICK && !(scanRunning && settings.ScanCheckMac))
        showContextMenu(Sample6Menu);
      if (header->code == NM_DBLCLK) {
        SelectedRow = Sample6ListView.FirstSelected();
        openSampleDialog(0);
        SelectedRow = -1;
      }
      break;
    case IDC_NEIGHBOUR6_LIST:
      if (header->code == NM_RCLICK) showContextMenu(Neighbour6Menu);
      break;
    case IDC_ROUTE6_LIST:
      if (header->code == NM_RCLICK) showContextMenu(Route6Menu);
      break;
    case IDC_ROUTE_LIST:
      if (header->code == NM_RCLICK) showContextMenu(RouteMenu);
      if (header->code == NM_DBLCLK) {
        SelectedRow = RouteListView.FirstSelected();
        openRouteDialog(0);
        SelectedRow = -1;
      }
      break;
    default:
      break;
  }
}
