// Test driver for vetrel.exe under Wine: finds the main window on the given desktop and
// reads or drives its controls. List, header, tab and status-bar requests carry pointers,
// so their records live in vetrel's own memory (VirtualAllocEx).
//
//   gui_driver DESKTOP status|tabs|visible|sortmark LIST|rows LIST|select LIST ROW...
//              |tab N|column LIST N|command ID|post ID|answer yes|no|ok|escape|tray LPARAM
//              |foreground
//              |clipboard FILE|waitbox SECONDS|scan ... (the scan page, below)
// LIST is arp, samples or routes. Texts go to stdout as UTF-8, one item per line.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

HWND mainWindow = nullptr;

void print(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fputc('\n', stdout);
}

// A block in the target process.
class Remote {
 public:
  explicit Remote(HWND window, std::size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_)
      memory_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~Remote() {
    if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool ok() const { return memory_ != nullptr; }
  void* at(std::size_t offset) const { return static_cast<char*>(memory_) + offset; }
  void write(std::size_t offset, const void* data, std::size_t n) {
    WriteProcessMemory(process_, at(offset), data, n, nullptr);
  }
  void read(std::size_t offset, void* data, std::size_t n) {
    ReadProcessMemory(process_, at(offset), data, n, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* memory_ = nullptr;
  std::size_t size_;
};

HWND listWindow(const char* name) {
  const int id = std::strcmp(name, "arp") == 0       ? 2002
                 : std::strcmp(name, "samples") == 0 ? 2003
                                                     : 2007;
  return GetDlgItem(mainWindow, id);
}

std::wstring cellText(HWND list, int row, int column) {
  Remote r(list, sizeof(LVITEMW) + 1024);
  LVITEMW item{};
  item.iSubItem = column;
  item.cchTextMax = 500;
  item.pszText = static_cast<wchar_t*>(r.at(sizeof(LVITEMW)));
  r.write(0, &item, sizeof item);
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(r.at(0)));
  wchar_t text[512] = {};
  r.read(sizeof(LVITEMW), text, 1000);
  return text;
}

int columns(HWND list) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  return static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
}

void click(HWND window, const RECT& at) {
  const LPARAM point = MAKELPARAM((at.left + at.right) / 2, (at.top + at.bottom) / 2);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageW(window, WM_LBUTTONUP, 0, point);
}

BOOL CALLBACK findBox(HWND window, LPARAM found) {
  wchar_t cls[32] = {};
  GetClassNameW(window, cls, 32);
  if (window != mainWindow && IsWindowVisible(window) && std::wcscmp(cls, L"#32770") == 0 &&
      GetWindow(window, GW_OWNER) == mainWindow && GetDlgItem(window, 1000) == nullptr) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

HWND messageBox() {
  HWND box = nullptr;
  EnumWindows(findBox, reinterpret_cast<LPARAM>(&box));
  return box;
}

//--- the scan page (template 140): gui_driver DESKTOP scan REQUEST [ARGS]
//   controls | rows | layout | state | set ID TEXT | click ID | command ID | timer
//   | column N | sortmark | header | select ROW... | rclick results|samples | closemenu
// Requests that may open a modal box (the run button, the commands) are posted.

HWND scanPage() {
  for (HWND child = FindWindowExW(mainWindow, nullptr, L"#32770", nullptr); child;
       child = FindWindowExW(mainWindow, child, L"#32770", nullptr))
    if (GetDlgItem(child, 1011)) return child;
  return nullptr;
}

std::wstring windowText(HWND window) {
  wchar_t text[256] = {};
  SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
  return text;
}

BOOL CALLBACK printControl(HWND control, LPARAM) {
  wchar_t cls[64] = {};
  GetClassNameW(control, cls, 64);
  const int id = GetDlgCtrlID(control);
  std::wstring line = std::to_wstring(id == 0xFFFF ? -1 : id) + L"\t" + cls + L"\t" +
                      windowText(control) + L"\t" +
                      (IsWindowEnabled(control) ? L"enabled" : L"disabled");
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  if (std::wcscmp(cls, L"Button") == 0 && (style & 0xF) == BS_AUTOCHECKBOX)
    line += SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"\tticked" : L"\tunticked";
  if (std::wcscmp(cls, L"Button") == 0 && (style & 0xF) == BS_DEFPUSHBUTTON) line += L"\tdefault";
  if (std::wcscmp(cls, L"ComboBox") == 0) {
    const int n = static_cast<int>(SendMessageW(control, CB_GETCOUNT, 0, 0));
    line += L"\titems";
    for (int i = 0; i < n; ++i) {
      wchar_t item[32] = {};
      if (SendMessageW(control, CB_GETLBTEXTLEN, i, 0) < 32)
        SendMessageW(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
      line += std::wstring(L" ") + item;
    }
    line += L"\tselected " + std::to_wstring(SendMessageW(control, CB_GETCURSEL, 0, 0));
  }
  print(line);
  return TRUE;
}

std::wstring controlState(HWND page) {
  return windowText(GetDlgItem(page, IDOK)) + L"|" +
         (IsWindowEnabled(GetDlgItem(page, 40005)) ? L"enabled" : L"disabled") + L"|" +
         (IsWindowEnabled(GetDlgItem(page, 40003)) ? L"enabled" : L"disabled");
}

BOOL CALLBACK findMenu(HWND window, LPARAM found) {
  wchar_t cls[32] = {};
  GetClassNameW(window, cls, 32);
  if (IsWindowVisible(window) && std::wcscmp(cls, L"#32768") == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

// Prints "menu" when a context menu opens within 2 s, or "none". The menu's items belong to
// vetrel's process and cannot be read from here; the menu stays open for a screenshot until
// "scan closemenu".
HWND openMenu() {
  HWND menu = nullptr;
  EnumWindows(findMenu, reinterpret_cast<LPARAM>(&menu));
  return menu;
}

void rightClick(HWND list) {
  const LPARAM point = MAKELPARAM(20, 30);
  PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, point);
  PostMessageW(list, WM_RBUTTONUP, 0, point);
  const DWORD until = GetTickCount() + 2000;
  while (!openMenu() && GetTickCount() < until) Sleep(50);
  print(openMenu() ? L"menu" : L"none");
}

void closeMenu() {
  HWND menu = openMenu();
  if (!menu) return;
  PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  PostMessageW(menu, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
  for (int i = 0; i < 40 && openMenu(); ++i) Sleep(50);
}

int scanRequest(int argc, char** argv) {
  HWND page = scanPage();
  if (!page || argc < 4) return 5;
  const std::string what = argv[3];
  HWND list = GetDlgItem(page, 2004);
  if (what == "controls") {
    EnumChildWindows(page, printControl, 0);
  } else if (what == "rows") {
    const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < n; ++row) {
      std::wstring line;
      for (int col = 0; col < columns(list); ++col)
        line += (col ? L"\t" : L"") + cellText(list, row, col);
      print(line);
    }
  } else if (what == "header") {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    Remote r(header, sizeof(HDITEMW) + 256);
    for (int i = 0; i < columns(list); ++i) {
      HDITEMW item{};
      item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
      item.cchTextMax = 100;
      item.pszText = static_cast<wchar_t*>(r.at(sizeof(HDITEMW)));
      r.write(0, &item, sizeof item);
      SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(r.at(0)));
      r.read(0, &item, sizeof item);
      wchar_t text[100] = {};
      r.read(sizeof(HDITEMW), text, 198);
      print(std::wstring(text) + L" " + std::to_wstring(item.cxy) +
            ((item.fmt & HDF_JUSTIFYMASK) == HDF_LEFT ? L" left" : L" other"));
    }
  } else if (what == "layout") {
    RECT pageRect{}, listRect{};
    GetClientRect(page, &pageRect);
    GetWindowRect(list, &listRect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&listRect), 2);
    print(std::to_wstring(pageRect.right) + L" " + std::to_wstring(pageRect.bottom) + L" " +
          std::to_wstring(listRect.left) + L" " + std::to_wstring(listRect.top) + L" " +
          std::to_wstring(listRect.right - listRect.left) + L" " +
          std::to_wstring(listRect.bottom - listRect.top));
  } else if (what == "state") {
    print(controlState(page));
  } else if (what == "set" && argc == 6) {
    wchar_t text[64] = {};
    MultiByteToWideChar(CP_UTF8, 0, argv[5], -1, text, 63);
    SendMessageW(GetDlgItem(page, std::atoi(argv[4])), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(text));
  } else if (what == "click" && argc == 5) {
    PostMessageW(GetDlgItem(page, std::atoi(argv[4])), BM_CLICK, 0, 0);
  } else if (what == "command" && argc == 5) {
    PostMessageW(page, WM_COMMAND, std::atoi(argv[4]), 0);
  } else if (what == "timer") {
    PostMessageW(page, WM_TIMER, 2008, 0);
  } else if (what == "column" && argc == 5) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    Remote r(header, sizeof(RECT));
    SendMessageW(header, HDM_GETITEMRECT, std::atoi(argv[4]), reinterpret_cast<LPARAM>(r.at(0)));
    RECT at{};
    r.read(0, &at, sizeof at);
    click(header, at);
  } else if (what == "sortmark") {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    Remote r(header, sizeof(HDITEMW));
    std::wstring marks;
    for (int i = 0; i < columns(list); ++i) {
      HDITEMW item{};
      item.mask = HDI_FORMAT;
      r.write(0, &item, sizeof item);
      SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(r.at(0)));
      r.read(0, &item, sizeof item);
      if ((item.fmt & HDF_IMAGE) && (item.fmt & HDF_BITMAP_ON_RIGHT))
        marks += std::to_wstring(i) + L" ";
    }
    print(marks.empty() ? L"none" : marks);
  } else if (what == "select" && argc >= 5) {
    Remote r(list, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    r.write(0, &item, sizeof item);
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(r.at(0)));
    item.state = LVIS_SELECTED;
    r.write(0, &item, sizeof item);
    for (int i = 4; i < argc; ++i)
      SendMessageW(list, LVM_SETITEMSTATE, std::atoi(argv[i]), reinterpret_cast<LPARAM>(r.at(0)));
  } else if (what == "closemenu") {
    closeMenu();
  } else if (what == "rclick" && argc == 5) {
    rightClick(std::strcmp(argv[4], "samples") == 0 ? GetDlgItem(mainWindow, 2003) : list);
  } else {
    return 2;
  }
  return 0;
}

int run(int argc, char** argv) {
  const std::string what = argv[2];
  if (what == "status") {
    HWND bar = GetDlgItem(mainWindow, 2001);
    Remote r(bar, 1024);
    for (int part = 0; part < 3; ++part) {
      wchar_t text[256] = {};
      r.write(0, text, sizeof text);
      SendMessageW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(r.at(0)));
      r.read(0, text, sizeof text - 2);
      print(text);
    }
  } else if (what == "tabs") {
    HWND tabs = GetDlgItem(mainWindow, 2006);
    const int n = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    Remote r(tabs, sizeof(TCITEMW) + 512);
    for (int i = 0; i < n; ++i) {
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.cchTextMax = 200;
      item.pszText = static_cast<wchar_t*>(r.at(sizeof(TCITEMW)));
      r.write(0, &item, sizeof item);
      SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(r.at(0)));
      wchar_t text[256] = {};
      r.read(sizeof(TCITEMW), text, 400);
      print(text);
    }
    print(L"selected " + std::to_wstring(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)));
  } else if (what == "visible" && argc == 3) {
    print(IsWindowVisible(mainWindow) ? L"1" : L"0");
  } else if (what == "visible" && argc == 4) {
    print(IsWindowVisible(listWindow(argv[3])) ? L"1" : L"0");
  } else if (what == "rows" && argc == 4) {
    HWND list = listWindow(argv[3]);
    const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const int c = columns(list);
    for (int row = 0; row < n; ++row) {
      std::wstring line;
      for (int col = 0; col < c; ++col) line += (col ? L"\t" : L"") + cellText(list, row, col);
      const UINT state =
          static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED));
      print(line + ((state & LVIS_SELECTED) ? L"\t*" : L""));
    }
  } else if (what == "select" && argc >= 4) {
    HWND list = listWindow(argv[3]);
    Remote r(list, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    r.write(0, &item, sizeof item);
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(r.at(0)));
    item.state = LVIS_SELECTED;
    r.write(0, &item, sizeof item);
    for (int i = 4; i < argc; ++i)
      SendMessageW(list, LVM_SETITEMSTATE, std::atoi(argv[i]), reinterpret_cast<LPARAM>(r.at(0)));
  } else if (what == "sortmark" && argc == 4) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(listWindow(argv[3]), LVM_GETHEADER, 0, 0));
    const int n = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    Remote r(header, sizeof(HDITEMW));
    std::wstring marks;
    for (int i = 0; i < n; ++i) {
      HDITEMW item{};
      item.mask = HDI_FORMAT | HDI_IMAGE;
      r.write(0, &item, sizeof item);
      SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(r.at(0)));
      r.read(0, &item, sizeof item);
      const bool marked = (item.fmt & HDF_IMAGE) && (item.fmt & HDF_BITMAP_ON_RIGHT);
      if (marked) marks += std::to_wstring(i) + L" ";
    }
    print(marks.empty() ? L"none" : marks);
  } else if (what == "tab" && argc == 4) {
    HWND tabs = GetDlgItem(mainWindow, 2006);
    Remote r(tabs, sizeof(RECT));
    SendMessageW(tabs, TCM_GETITEMRECT, std::atoi(argv[3]), reinterpret_cast<LPARAM>(r.at(0)));
    RECT at{};
    r.read(0, &at, sizeof at);
    click(tabs, at);
  } else if (what == "column" && argc == 5) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(listWindow(argv[3]), LVM_GETHEADER, 0, 0));
    Remote r(header, sizeof(RECT));
    SendMessageW(header, HDM_GETITEMRECT, std::atoi(argv[4]), reinterpret_cast<LPARAM>(r.at(0)));
    RECT at{};
    r.read(0, &at, sizeof at);
    click(header, at);
  } else if (what == "command" && argc == 4) {
    SendMessageW(mainWindow, WM_COMMAND, std::atoi(argv[3]), 0);
  } else if (what == "post" && argc == 4) {
    PostMessageW(mainWindow, WM_COMMAND, std::atoi(argv[3]), 0);
  } else if (what == "waitbox" && argc == 4) {
    // Prints the box's text once it is shown, or "none".
    const DWORD until = GetTickCount() + 1000u * std::atoi(argv[3]);
    for (;;) {
      if (HWND box = messageBox()) {
        wchar_t caption[128] = {}, text[512] = {};
        GetWindowTextW(box, caption, 128);
        GetDlgItemTextW(box, 0xFFFF, text, 512);
        print(std::wstring(caption) + L"|" + text);
        return 0;
      }
      if (GetTickCount() > until) break;
      Sleep(100);
    }
    print(L"none");
  } else if (what == "answer" && argc == 4) {
    HWND box = messageBox();
    if (!box) return 3;
    const int id = std::strcmp(argv[3], "yes") == 0  ? IDYES
                   : std::strcmp(argv[3], "no") == 0 ? IDNO
                                                     : IDOK;
    PostMessageW(box, WM_COMMAND, id, 0);
  } else if (what == "foreground") {
    ShowWindow(mainWindow, SW_SHOW);
    SetForegroundWindow(mainWindow);
    SetActiveWindow(mainWindow);
  } else if (what == "escape") {
    HWND target = GetDlgItem(mainWindow, 2002);
    PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(target, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
  } else if (what == "tray" && argc == 4) {
    PostMessageW(mainWindow, WM_USER + 101, 0, std::atoi(argv[3]));
  } else if (what == "clipboard" && argc == 4) {
    // CF_TEXT bytes as they are into the file; CF_UNICODETEXT as UTF-8 on stdout.
    if (!OpenClipboard(nullptr)) return 4;
    std::FILE* f = std::fopen(argv[3], "wb");
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
      if (const char* p = static_cast<const char*>(GlobalLock(h))) {
        if (f) std::fwrite(p, 1, std::strlen(p), f);
        GlobalUnlock(h);
      }
    }
    if (f) std::fclose(f);
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
      if (const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(h))) {
        print(p);
        GlobalUnlock(h);
      }
    }
    CloseClipboard();
  } else if (what == "scan") {
    return scanRequest(argc, argv);
  } else {
    std::fprintf(stderr, "unknown request %s\n", what.c_str());
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: gui_driver DESKTOP REQUEST [ARGS]\n");
    return 2;
  }
  wchar_t desktopName[64] = {};
  MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, desktopName, 63);
  // The program runs on a virtual desktop; windows on another desktop are not found.
  if (HDESK desk = OpenDesktopW(desktopName, 0, FALSE, GENERIC_ALL)) SetThreadDesktop(desk);
  mainWindow = FindWindowW(L"#32770", L" Vetrel 4.1.5");
  if (!mainWindow) {
    std::fprintf(stderr, "main window not found\n");
    return 1;
  }
  const int rc = run(argc, argv);
  std::fflush(stdout);
  return rc;
}
