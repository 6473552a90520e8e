// Test driver for vetrel.exe under Wine: finds the main window on the given desktop and
// reads or drives its controls. List, header, tab and status-bar requests carry pointers,
// so their records live in vetrel's own memory (VirtualAllocEx).
//
//   gui_driver DESKTOP status|tabs|visible|sortmark LIST|rows LIST|select LIST ROW...
//              |tab N|column LIST N|command ID|post ID|answer yes|no|ok|escape|tray LPARAM
//              |foreground
//              |clipboard FILE|waitbox SECONDS
//              |rect WINDOW|place WINDOW X Y W H|show WINDOW max|restore
//              |barenotify ID CODE|postraw MESSAGE WPARAM LPARAM|lines|workarea|ping
//              |endsession
// LIST is arp, samples or routes; WINDOW main, messages, ok, tabs, arp or status.
// Texts go to stdout as UTF-8, one item per line.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
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

//--- edge requests: sizes, placements, stray messages and the message window's lines

HWND messageWindow() {
  HWND found = nullptr;
  for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w;
       w = FindWindowExW(nullptr, w, L"#32770", nullptr))
    if (GetWindow(w, GW_OWNER) == mainWindow && GetDlgItem(w, 1000)) found = w;
  return found;
}

HWND namedWindow(const std::string& name) {
  if (name == "main") return mainWindow;
  if (name == "messages") return messageWindow();
  if (name == "ok") return GetDlgItem(messageWindow(), IDOK);
  if (name == "tabs") return GetDlgItem(mainWindow, 2006);
  if (name == "arp") return GetDlgItem(mainWindow, 2002);
  if (name == "status") return GetDlgItem(mainWindow, 2001);
  return nullptr;
}

// "left top right bottom clientWidth clientHeight visible", screen coordinates.
int edgeRequest(int argc, char** argv, bool& handled) {
  handled = true;
  const std::string what = argv[2];
  if (what == "rect" && argc == 4) {
    HWND w = namedWindow(argv[3]);
    RECT r{}, c{};
    if (!w || !GetWindowRect(w, &r) || !GetClientRect(w, &c)) return 5;
    wchar_t line[160];
    swprintf(line, 160, L"%ld %ld %ld %ld %ld %ld %d", r.left, r.top, r.right, r.bottom, c.right,
             c.bottom, IsWindowVisible(w) ? 1 : 0);
    print(line);
  } else if (what == "place" && argc == 8) {
    HWND w = namedWindow(argv[3]);
    if (!w) return 5;
    SetWindowPos(w, nullptr, std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]),
                 std::atoi(argv[7]), SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (what == "show" && argc == 5) {
    HWND w = namedWindow(argv[3]);
    if (!w) return 5;
    ShowWindow(w, std::strcmp(argv[4], "max") == 0 ? SW_MAXIMIZE : SW_RESTORE);
  } else if (what == "barenotify" && argc == 5) {
    // gui_hook.dll, beside the driver, sends it from inside vetrel's process. Prints
    // "returned", or "faulted" when the program read past the header (Wine swallows that).
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path, n);
    dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"gui_hook.dll";
    HMODULE module = LoadLibraryW(dll.c_str());
    auto proc = module ? reinterpret_cast<HOOKPROC>(
                             reinterpret_cast<void*>(GetProcAddress(module, "bareNotifyHook")))
                       : nullptr;
    if (!proc) return 6;
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, proc, module,
                                   GetWindowThreadProcessId(mainWindow, nullptr));
    if (!hook) return 7;
    PostMessageW(mainWindow, RegisterWindowMessageW(L"VetrelTestBareNotify"),
                 static_cast<WPARAM>(std::atoi(argv[3])), std::atoi(argv[4]));
    Sleep(1500);
    UnhookWindowsHookEx(hook);
    print(GetPropW(mainWindow, L"VetrelTestBareNotify") ? L"returned" : L"faulted");
  } else if (what == "postraw" && argc == 6) {
    PostMessageW(mainWindow, static_cast<UINT>(std::strtoul(argv[3], nullptr, 0)),
                 static_cast<WPARAM>(std::strtoull(argv[4], nullptr, 0)),
                 static_cast<LPARAM>(std::strtoull(argv[5], nullptr, 0)));
  } else if (what == "lines") {
    HWND list = GetDlgItem(messageWindow(), 1000);
    if (!list) return 5;
    const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < n; ++row) print(cellText(list, row, 0));
  } else if (what == "endsession") {
    // As the system at log-off: the question, then (when nobody refused) the end.
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(mainWindow, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                        10000, &answer);
    print(std::to_wstring(answer));
    if (answer && IsWindow(mainWindow))
      SendMessageTimeoutW(mainWindow, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                          10000, nullptr);
  } else if (what == "ping") {
    // 1 when the main window's thread answers within two seconds (a crashed one does not).
    DWORD_PTR answer = 0;
    const LRESULT done =
        SendMessageTimeoutW(mainWindow, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
    print(done ? L"1" : L"0");
  } else if (what == "workarea") {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    wchar_t line[96];
    swprintf(line, 96, L"%ld %ld %ld %ld", work.left, work.top, work.right, work.bottom);
    print(line);
  } else {
    handled = false;
  }
  return 0;
}

//--- end of the edge requests

int run(int argc, char** argv) {
  bool edge = false;
  const int edgeResult = edgeRequest(argc, argv, edge);
  if (edge) return edgeResult;
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
