// Test driver for vetrel.exe under Wine: finds the main window on the given desktop and
// reads or drives its controls. List, header, tab and status-bar requests carry pointers,
// so their records live in vetrel's own memory (VirtualAllocEx).
//
//   gui_driver DESKTOP status|tabs|visible|sortmark LIST|rows LIST|select LIST ROW...
//              |tab N|column LIST N|command ID|post ID|answer yes|no|ok|escape|tray LPARAM
//              |foreground|isforeground|mains|hscroll LIST
//              |clipboard FILE|waitbox SECONDS|scan ... (the scan page, below)
//              |defid|dblclick LIST [ROW]
//              |dlgread|dlgset|dlgpush|dlgbox|dlganswer|dlggone|dlgfocus KIND ... (their block)
//              |rect WINDOW|above WINDOW|place WINDOW X Y W H|show WINDOW max|restore
//              |barenotify ID CODE|postraw [WINDOW] MESSAGE WPARAM LPARAM|lines|workarea|ping
//              |endsession|plant6 (LIST routes6 is the IPv6 route list)
// LIST is arp, samples, samples6, neighbours6, routes or results (the scan page's); WINDOW main,
// messages, ok, tabs, arp, status, dialog (the address dialog), box (its message box) or scan (the
// scan page). Texts go to stdout as UTF-8, one item per line.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
// clang-format on

#include <algorithm>
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

HWND scanPage();

HWND listWindow(const char* name) {
  if (std::strcmp(name, "results") == 0) return GetDlgItem(scanPage(), 2004);
  const int id = std::strcmp(name, "arp") == 0           ? 2002
                 : std::strcmp(name, "samples") == 0     ? 2003
                 : std::strcmp(name, "neighbours6") == 0 ? 2009
                 : std::strcmp(name, "samples6") == 0    ? 2010
                 : std::strcmp(name, "routes6") == 0     ? 2011
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

// WM_GETTEXT is carried across processes, unlike GetWindowText for another's control.
std::wstring controlText(HWND window) {
  wchar_t text[512] = {};
  if (window) SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

// Argument INDEX from the wide command line: the narrow argv of a Wine program went through
// the ANSI code page, which may lack Cyrillic.
std::wstring wideArgument(int index) {
  int n = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &n);
  std::wstring out = args && index < n ? args[index] : L"";
  LocalFree(args);
  return out;
}

// Polls find() for up to seconds; null when nothing came.
template <class Find>
HWND waitFor(Find find, int seconds) {
  const DWORD until = GetTickCount() + 1000u * seconds;
  for (;;) {
    if (HWND w = find()) return w;
    if (GetTickCount() > until) return nullptr;
    Sleep(100);
  }
}

// The dialogs vetrel opens, told apart by their controls. A message box is any "#32770";
// the main window's own box is one without item 1000 (the message window has one).
// A context menu ("#32768") is found whatever owns it.
enum class Kind { any, box, address, settings, route, messages, menu };

bool isKind(HWND w, Kind kind) {
  const bool has1000 = GetDlgItem(w, 1000), has1011 = GetDlgItem(w, 1011);
  const bool settings = GetDlgItem(w, 40006);
  return kind == Kind::any || kind == Kind::menu || (kind == Kind::box && !has1000) ||
         (kind == Kind::address && has1011) || (kind == Kind::settings && settings) ||
         (kind == Kind::route && !settings && GetDlgItem(w, 1014)) ||
         (kind == Kind::messages && has1000 && !has1011);
}

Kind kindNamed(const char* name) {
  return std::strcmp(name, "settings") == 0  ? Kind::settings
         : std::strcmp(name, "address") == 0 ? Kind::address
                                             : Kind::route;
}

struct OwnedSearch {
  HWND owner;
  Kind kind;
  bool visibleOnly;
  HWND found;
};

BOOL CALLBACK findOwned(HWND window, LPARAM param) {
  auto* s = static_cast<OwnedSearch*>(reinterpret_cast<void*>(param));
  wchar_t cls[32] = {};
  GetClassNameW(window, cls, 32);
  const bool menu = s->kind == Kind::menu;
  if ((IsWindowVisible(window) || !s->visibleOnly) &&
      std::wcscmp(cls, menu ? L"#32768" : L"#32770") == 0 &&
      (menu || GetWindow(window, GW_OWNER) == s->owner) && isKind(window, s->kind)) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

// The first top-level "#32770" of that kind that owner owns.
HWND owned(HWND owner, Kind kind, bool visibleOnly = true) {
  OwnedSearch s{owner, kind, visibleOnly, nullptr};
  if (owner) EnumWindows(findOwned, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND messageBox() { return owned(mainWindow, Kind::box); }
HWND addressDialog() { return owned(mainWindow, Kind::address); }

// "caption|text" of the first message box shown within seconds, or "none": with Kind::box
// the main window's own, else one that owner's dialog of that kind owns.
void printBox(HWND owner, Kind kind, int seconds) {
  HWND box = waitFor(
      [&] { return kind == Kind::box ? messageBox() : owned(owned(owner, kind), Kind::any); },
      seconds);
  print(box ? controlText(box) + L"|" + controlText(GetDlgItem(box, 0xFFFF)) : L"none");
}

// The button's WM_COMMAND is sent from a thread of its own; push returns once the button's
// work is done, or it opened a box (which holds the sent message until it closes), or the
// dialog has gone: what the caller checks next is then already there, however slow the
// machine. The process ends with that thread still waiting, which the sender may.
struct Send {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
Send sent{};
DWORD WINAPI sendIt(void*) {
  SendMessageW(sent.window, sent.message, sent.wParam, sent.lParam);
  return 0;
}
template <class Opened>
void sendUntil(Send message, Opened opened) {
  sent = message;
  HANDLE thread = CreateThread(nullptr, 0, sendIt, nullptr, 0, nullptr);
  if (!thread) return;
  waitFor(
      [&] {
        const bool done = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        return done || opened() ? mainWindow : nullptr;
      },
      45);
  CloseHandle(thread);
}
void push(HWND dialog, int id) {
  sendUntil({dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
             reinterpret_cast<LPARAM>(GetDlgItem(dialog, id))},
            [&] { return owned(dialog, Kind::any) || !IsWindowVisible(dialog); });
}

// Once a box has been destroyed, the code that opened it runs on; a message sent to the
// dialog after that is answered when that code is back in the message loop.
void answerBox(HWND box, HWND dialog, int id) {
  PostMessageW(box, WM_COMMAND, id, 0);
  waitFor([&] { return IsWindow(box) ? nullptr : mainWindow; }, 45);
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 45000, &answer);
}

// Posted, as the modal dialog it opens keeps the list's thread busy.
void doubleClick(HWND list, int row) {
  Remote r(list, sizeof(RECT));
  RECT at{LVIR_BOUNDS, 0, 0, 0};
  r.write(0, &at, sizeof at);
  SendMessageW(list, LVM_GETITEMRECT, row < 0 ? 0 : row, reinterpret_cast<LPARAM>(r.at(0)));
  r.read(0, &at, sizeof at);
  const LPARAM point = MAKELPARAM(at.left + 10, (at.top + at.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
  PostMessageW(list, WM_LBUTTONUP, 0, point);
}

HWND headerOf(HWND list) { return reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)); }

void clickColumn(HWND list, int column) {
  HWND header = headerOf(list);
  Remote r(header, sizeof(RECT));
  SendMessageW(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(r.at(0)));
  RECT at{};
  r.read(0, &at, sizeof at);
  click(header, at);
}

// The columns that show the sort arrow, or "none".
void printSortMarks(HWND list) {
  HWND header = headerOf(list);
  Remote r(header, sizeof(HDITEMW));
  std::wstring marks;
  for (int i = 0; i < columns(list); ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT | HDI_IMAGE;
    r.write(0, &item, sizeof item);
    SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(r.at(0)));
    r.read(0, &item, sizeof item);
    if ((item.fmt & HDF_IMAGE) && (item.fmt & HDF_BITMAP_ON_RIGHT))
      marks += std::to_wstring(i) + L" ";
  }
  print(marks.empty() ? L"none" : marks);
}

// Selects exactly the rows argv[from...]; clear names the states taken off every row first.
// False when the list does not show exactly that selection afterwards (a row not there yet).
bool selectRows(HWND list, UINT clear, int argc, char** argv, int from) {
  Remote r(list, sizeof(LVITEMW));
  LVITEMW item{};
  item.stateMask = clear;
  r.write(0, &item, sizeof item);
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(r.at(0)));
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  r.write(0, &item, sizeof item);
  for (int i = from; i < argc; ++i)
    SendMessageW(list, LVM_SETITEMSTATE, std::atoi(argv[i]), reinterpret_cast<LPARAM>(r.at(0)));
  std::vector<int> wanted, shown;
  for (int i = from; i < argc; ++i) wanted.push_back(std::atoi(argv[i]));
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = -1; static_cast<int>(shown.size()) < n;) {
    row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, row, LVNI_SELECTED));
    if (row < 0) break;
    shown.push_back(row);
  }
  return shown == wanted;
}

// Each row's cells, tab-separated; "\t*" after a selected one when marked.
void printRows(HWND list, bool marked) {
  const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  const int c = columns(list);
  for (int row = 0; row < n; ++row) {
    std::wstring line;
    for (int col = 0; col < c; ++col) line += (col ? L"\t" : L"") + cellText(list, row, col);
    const UINT state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED));
    print(line + (marked && (state & LVIS_SELECTED) ? L"\t*" : L""));
  }
}

// --- dialogs opened by vetrel (address entry, settings, route editor) and the boxes they own.
//   dlgread KIND [SECONDS] | dlgset KIND ID=VALUE|ID:ROW=0|1... | dlgpush KIND ID
//   dlgbox KIND SECONDS | dlganswer KIND | dlggone KIND SECONDS | dblclick LIST [ROW]
//   dlgfocus KIND (the id of the focused control)
// KIND is address (the owned dialog with control 1011), settings (one with 40006) or route
// (one with 1014 and without 40006); requests wait up to 30 s for it to appear. Values are
// taken from the wide command line.

// Whether the control's text fits its width (a check box's square and gap count 18
// pixels), measured in the dialog's font made anew here: a font handle of another process
// cannot be selected into our device context.
HFONT dialogFont = nullptr;
bool textFits(HWND control, const std::wstring& text, int allowance) {
  RECT r{};
  GetClientRect(control, &r);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, dialogFont);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  DeleteDC(dc);
  return size.cx + allowance <= r.right - r.left;
}

void printListRows(HWND list, int id) {
  const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  Remote r(list, sizeof(LVITEMW));
  for (int row = 0; row < n; ++row) {
    LVITEMW item{};
    item.mask = LVIF_PARAM | LVIF_STATE;
    item.iItem = row;
    item.stateMask = LVIS_STATEIMAGEMASK;
    r.write(0, &item, sizeof item);
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(r.at(0)));
    r.read(0, &item, sizeof item);
    const bool ticked = ((item.state & LVIS_STATEIMAGEMASK) >> 12) == 2;
    print(std::to_wstring(id) + L":" + std::to_wstring(row) + L"\t" + cellText(list, row, 0) +
          L"\t" + (ticked ? L"1" : L"0") + L"\t" + std::to_wstring(item.lParam));
  }
}

// One line per control: ID, kind, state or text, and for labels whether they fit. face:
// the template's font, 8 points.
void readDialog(HWND dialog, const wchar_t* face) {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  dialogFont =
      CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
  RECT d{}, c{}, m{};
  GetWindowRect(dialog, &d);
  GetClientRect(dialog, &c);
  GetWindowRect(mainWindow, &m);
  wchar_t caption[256] = {};
  GetWindowTextW(dialog, caption, 256);
  print(L"caption\t" + std::wstring(caption));
  print(L"rect " + std::to_wstring(d.left) + L" " + std::to_wstring(d.top) + L" " +
        std::to_wstring(d.right - d.left) + L" " + std::to_wstring(d.bottom - d.top) + L" client " +
        std::to_wstring(c.right) + L" " + std::to_wstring(c.bottom) + L" owner " +
        std::to_wstring(m.left) + L" " + std::to_wstring(m.top) + L" " +
        std::to_wstring(m.right - m.left) + L" " + std::to_wstring(m.bottom - m.top));
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    const int id = GetDlgCtrlID(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    const std::wstring text = controlText(child);
    std::wstring line = std::to_wstring(id) + L"\t";
    if (_wcsicmp(cls, L"Button") == 0 && (style & 0xF) == BS_AUTOCHECKBOX) {
      const bool on = SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
      line += L"check\t" + std::wstring(on ? L"1" : L"0") + L"\t" + text +
              (textFits(child, text, 18) ? L"" : L"\tCUT");
    } else if (_wcsicmp(cls, L"Button") == 0 && (style & 0xF) == BS_GROUPBOX) {
      line += L"group\t" + text;
    } else if (_wcsicmp(cls, L"Button") == 0) {
      line += L"button\t" + text + (textFits(child, text, 4) ? L"" : L"\tCUT");
    } else if (_wcsicmp(cls, L"Edit") == 0) {
      line += std::wstring((style & ES_PASSWORD) ? L"password" : L"edit") + L"\t" + text +
              ((style & ES_READONLY) ? L"\tREADONLY" : L"");
    } else if (_wcsicmp(cls, L"Static") == 0) {
      line += L"label\t" + text + (textFits(child, text, 0) ? L"" : L"\tCUT");
    } else if (_wcsicmp(cls, L"SysListView32") == 0) {
      const DWORD ex = static_cast<DWORD>(SendMessageW(child, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
      const HWND header = headerOf(child);
      const bool headed = !(style & LVS_NOCOLUMNHEADER) && header && IsWindowVisible(header);
      line += L"list\t" + std::to_wstring(SendMessageW(child, LVM_GETCOLUMNWIDTH, 0, 0)) +
              (headed ? L" header" : L"") + ((ex & LVS_EX_CHECKBOXES) ? L" checkboxes" : L"") +
              ((ex & LVS_EX_FULLROWSELECT) ? L" fullrow" : L"") +
              ((ex & LVS_EX_INFOTIP) ? L" infotip" : L"");
    } else {
      line += cls;
    }
    print(line);
    if (_wcsicmp(cls, L"SysListView32") == 0) printListRows(child, id);
  }
}

void setControl(HWND dialog, const std::wstring& assignment) {
  const std::size_t eq = assignment.find(L'=');
  if (eq == std::wstring::npos) return;
  const int id = _wtoi(assignment.c_str());
  const std::size_t colon = assignment.find(L':');
  const std::wstring value = assignment.substr(eq + 1);
  HWND control = GetDlgItem(dialog, id);
  if (!control) return;
  if (colon < eq) {
    Remote r(control, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(_wtoi(value.c_str()) ? 2 : 1);
    r.write(0, &item, sizeof item);
    SendMessageW(control, LVM_SETITEMSTATE, _wtoi(assignment.c_str() + colon + 1),
                 reinterpret_cast<LPARAM>(r.at(0)));
    return;
  }
  wchar_t cls[32] = {};
  GetClassNameW(control, cls, 32);
  if (_wcsicmp(cls, L"Button") == 0) {
    SendMessageW(control, BM_SETCHECK, _wtoi(value.c_str()) ? BST_CHECKED : BST_UNCHECKED, 0);
  } else {
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
  }
}

// 0: handled; -1: not a dialog request; other: failure.
int runEditorDialogRequest(int argc, char** argv) {
  const std::string what = argv[2];
  if (what == "dblclick" && (argc == 4 || argc == 5)) {
    HWND list = listWindow(argv[3]);
    doubleClick(
        list, argc == 5 ? std::atoi(argv[4])
                        : static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED)));
    return 0;
  }
  const bool dialogRequest = what == "dlgread" || what == "dlgset" || what == "dlgpush" ||
                             what == "dlgbox" || what == "dlganswer" || what == "dlggone" ||
                             what == "dlgfocus";
  if (!dialogRequest) return -1;
  if (argc < 4) return 2;
  const Kind kind = kindNamed(argv[3]);
  const int seconds = argc > 4 ? std::atoi(argv[4]) : 5;
  if (what == "dlggone") {
    // Prints 1 once no such dialog is shown (within SECONDS), else 0.
    print(waitFor([&] { return owned(mainWindow, kind) ? nullptr : mainWindow; }, seconds) ? L"1"
                                                                                           : L"0");
    return 0;
  }
  if (what == "dlgbox") {
    printBox(mainWindow, kind, seconds);
    return 0;
  }
  HWND dialog = waitFor([&] { return owned(mainWindow, kind); },
                        what == "dlgread" && argc > 4 ? seconds : 30);
  if (!dialog) {
    print(L"none");
    return 5;
  }
  if (what == "dlgread") {
    readDialog(dialog, kind == Kind::settings ? L"Verdana" : L"Tahoma");
  } else if (what == "dlgset") {
    for (int i = 4; i < argc; ++i) setControl(dialog, wideArgument(i));
  } else if (what == "dlgpush" && argc == 5) {
    push(dialog, std::atoi(argv[4]));
  } else if (what == "dlgfocus") {
    // The id of the control that holds the focus in the dialog's thread.
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info)) return 3;
    print(std::to_wstring(info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0).c_str());
  } else if (what == "dlganswer") {
    HWND box = owned(dialog, Kind::any);
    if (!box) return 3;
    answerBox(box, dialog, IDOK);
  } else {
    return 2;
  }
  return 0;
}
// --- end of the dialog requests

//--- edge requests: sizes, placements, stray messages and the message window's lines

HWND messageWindow() { return owned(mainWindow, Kind::messages, false); }

HWND namedWindow(const std::string& name) {
  if (name == "main") return mainWindow;
  if (name == "scan") return scanPage();
  if (name == "dialog") return addressDialog();
  if (name == "box") return owned(addressDialog(), Kind::any);
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
  if (what == "above" && argc == 4) {  // 1 when WINDOW is visible and above the main window
    HWND w = namedWindow(argv[3]);
    bool above = false;
    for (HWND h = GetWindow(mainWindow, GW_HWNDPREV); h && w && !above;
         h = GetWindow(h, GW_HWNDPREV))
      above = h == w;
    print(above && IsWindowVisible(w) ? L"1" : L"0");
    return 0;
  }
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
  } else if ((what == "barenotify" && argc == 5) || (what == "plant6" && argc == 3)) {
    // gui_hook.dll, beside the driver, acts from inside vetrel's process. barenotify prints
    // "returned", or "faulted" when the program read past the header (Wine swallows that);
    // plant6 prints "planted" once the program's imports point at the hook's IPv6 tables.
    const bool plant = what == "plant6";
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path, n);
    dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"gui_hook.dll";
    HMODULE module = LoadLibraryW(dll.c_str());
    const char* entry = plant ? "plantNeighbours6Hook" : "bareNotifyHook";
    auto proc =
        module ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, entry)))
               : nullptr;
    if (!proc) return 6;
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, proc, module,
                                   GetWindowThreadProcessId(mainWindow, nullptr));
    if (!hook) return 7;
    const wchar_t* mark = plant ? L"VetrelTestPlant6" : L"VetrelTestBareNotify";
    PostMessageW(mainWindow, RegisterWindowMessageW(mark),
                 plant ? 0 : static_cast<WPARAM>(std::atoi(argv[3])),
                 plant ? 0 : std::atoi(argv[4]));
    Sleep(1500);
    UnhookWindowsHookEx(hook);
    if (plant)
      print(GetPropW(mainWindow, mark) ? L"planted" : L"not planted");
    else
      print(GetPropW(mainWindow, mark) ? L"returned" : L"faulted");
  } else if (what == "postraw" && (argc == 6 || argc == 7)) {
    // A stray message from another process, to the main window or the named one.
    HWND w = argc == 7 ? namedWindow(argv[3]) : mainWindow;
    char** m = argv + argc - 3;
    PostMessageW(w, static_cast<UINT>(std::strtoul(m[0], nullptr, 0)),
                 static_cast<WPARAM>(std::strtoull(m[1], nullptr, 0)),
                 static_cast<LPARAM>(std::strtoull(m[2], nullptr, 0)));
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

//--- the scan page (template 140): gui_driver DESKTOP scan REQUEST [ARGS]
//   controls | rows | layout | reach | state | set ID TEXT | click ID | command ID | timer
//   | header | rclick results|samples | waitmenu | closemenu
//   | send MESSAGE WPARAM LPARAM
// Requests that may open a modal box (the run button, the commands) are posted.

HWND scanPage() {
  for (HWND child = FindWindowExW(mainWindow, nullptr, L"#32770", nullptr); child;
       child = FindWindowExW(mainWindow, child, L"#32770", nullptr))
    if (GetDlgItem(child, 1011)) return child;
  return nullptr;
}

BOOL CALLBACK printControl(HWND control, LPARAM) {
  wchar_t cls[64] = {};
  GetClassNameW(control, cls, 64);
  const int id = GetDlgCtrlID(control);
  std::wstring line = std::to_wstring(id == 0xFFFF ? -1 : id) + L"\t" + cls + L"\t" +
                      controlText(control) + L"\t" +
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
  return controlText(GetDlgItem(page, IDOK)) + L"|" +
         (IsWindowEnabled(GetDlgItem(page, 40005)) ? L"enabled" : L"disabled") + L"|" +
         (IsWindowEnabled(GetDlgItem(page, 40003)) ? L"enabled" : L"disabled");
}

// Prints "menu" when a context menu opens within 2 s, or "none". The menu's items belong to
// vetrel's process and cannot be read from here; the menu stays open for a screenshot until
// "scan closemenu".
HWND openMenu() { return owned(mainWindow, Kind::menu); }

void rightClick(HWND list) {
  const LPARAM point = MAKELPARAM(20, 30);
  PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, point);
  PostMessageW(list, WM_RBUTTONUP, 0, point);
  print(waitFor(openMenu, 2) ? L"menu" : L"none");
}

void closeMenu() {
  HWND menu = openMenu();
  if (!menu) return;
  PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  PostMessageW(menu, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
  waitFor([] { return openMenu() ? nullptr : mainWindow; }, 2);
}

int scanRequest(int argc, char** argv) {
  HWND page = scanPage();
  if (!page || argc < 4) return 5;
  const std::string what = argv[3];
  HWND list = GetDlgItem(page, 2004);
  if (what == "controls") {
    EnumChildWindows(page, printControl, 0);
  } else if (what == "rows") {
    printRows(list, false);
  } else if (what == "header") {
    HWND header = headerOf(list);
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
  } else if (what == "reach") {
    // Every control of the page lies inside its client area ("all inside"), or the ones
    // that do not, one per line.
    RECT pageRect{};
    GetClientRect(page, &pageRect);
    int out = 0;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      RECT r{};
      GetWindowRect(c, &r);
      MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
      if (r.left >= 0 && r.top >= 0 && r.right <= pageRect.right && r.bottom <= pageRect.bottom)
        continue;
      print(std::to_wstring(GetDlgCtrlID(c)) + L"\t" + controlText(c) + L"\t" +
            std::to_wstring(r.right) + L"x" + std::to_wstring(r.bottom) + L" in " +
            std::to_wstring(pageRect.right) + L"x" + std::to_wstring(pageRect.bottom));
      ++out;
    }
    if (out == 0) print(L"all inside");
  } else if (what == "state") {
    print(controlState(page));
  } else if (what == "set" && argc == 6) {
    SendMessageW(GetDlgItem(page, std::atoi(argv[4])), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(wideArgument(5).c_str()));
  } else if (what == "click" && argc == 5) {
    PostMessageW(GetDlgItem(page, std::atoi(argv[4])), BM_CLICK, 0, 0);
  } else if (what == "command" && argc == 5) {
    PostMessageW(page, WM_COMMAND, std::atoi(argv[4]), 0);
  } else if (what == "timer") {
    PostMessageW(page, WM_TIMER, 2008, 0);
  } else if (what == "closemenu") {
    closeMenu();
  } else if (what == "send" && argc == 7) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(page, static_cast<UINT>(std::strtoul(argv[4], nullptr, 0)),
                        static_cast<WPARAM>(std::strtoull(argv[5], nullptr, 0)),
                        static_cast<LPARAM>(std::strtoull(argv[6], nullptr, 0)), SMTO_ABORTIFHUNG,
                        2000, &answer);
  } else if (what == "rclick" && argc == 5) {
    rightClick(std::strcmp(argv[4], "samples") == 0 ? GetDlgItem(mainWindow, 2003) : list);
  } else if (what == "waitmenu") {  // a menu the keyboard opened
    print(waitFor(openMenu, 2) ? L"menu" : L"none");
  } else {
    return 2;
  }
  return 0;
}

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
    printRows(listWindow(argv[3]), true);
  } else if (what == "select" && argc >= 4) {
    // Failing without output, so that the caller selects again.
    if (!selectRows(listWindow(argv[3]), LVIS_SELECTED | LVIS_FOCUSED, argc, argv, 4)) return 3;
  } else if (what == "sortmark" && argc == 4) {
    printSortMarks(listWindow(argv[3]));
  } else if (what == "tab" && argc == 4) {
    HWND tabs = GetDlgItem(mainWindow, 2006);
    Remote r(tabs, sizeof(RECT));
    SendMessageW(tabs, TCM_GETITEMRECT, std::atoi(argv[3]), reinterpret_cast<LPARAM>(r.at(0)));
    RECT at{};
    r.read(0, &at, sizeof at);
    click(tabs, at);
  } else if (what == "column" && argc == 5) {
    clickColumn(listWindow(argv[3]), std::atoi(argv[4]));
  } else if (what == "command" && argc == 4) {
    SendMessageW(mainWindow, WM_COMMAND, std::atoi(argv[3]), 0);
  } else if (what == "post" && argc == 4) {
    // As a push: back once the command is done or has opened a box or dialog of its own.
    sendUntil({mainWindow, WM_COMMAND, static_cast<WPARAM>(std::atoi(argv[3])), 0}, [] {
      return messageBox() || addressDialog() || owned(mainWindow, Kind::settings) ||
             owned(mainWindow, Kind::route);
    });
  } else if (what == "waitbox" && argc == 4) {
    // Prints the box's text once it is shown, or "none".
    printBox(mainWindow, Kind::box, std::atoi(argv[3]));
  } else if (what == "answer" && argc == 4) {
    HWND box = messageBox();
    if (!box) return 3;
    const int id = std::strcmp(argv[3], "yes") == 0  ? IDYES
                   : std::strcmp(argv[3], "no") == 0 ? IDNO
                                                     : IDOK;
    answerBox(box, mainWindow, id);
  } else if (what == "defid" && argc == 3) {
    // The button that Enter presses in the address dialog.
    const LRESULT id = SendMessageW(addressDialog(), DM_GETDEFID, 0, 0);
    print(HIWORD(id) == DC_HASDEFID ? std::to_wstring(LOWORD(id)) : L"none");
  } else if (what == "hscroll" && argc == 4) {
    print((GetWindowLongW(listWindow(argv[3]), GWL_STYLE) & WS_HSCROLL) ? L"1" : L"0");
  } else if (what == "isforeground") {
    print(GetForegroundWindow() == mainWindow ? L"1" : L"0");
  } else if (what == "mains") {
    // Main windows on the desktop: copies in other folders run side by side.
    int n = 0;
    for (HWND w = mainWindow; w; w = FindWindowExW(nullptr, w, L"#32770", L" Vetrel 4.1.5")) ++n;
    print(std::to_wstring(n));
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
  } else if (const int dialogResult = runEditorDialogRequest(argc, argv); dialogResult >= 0) {
    return dialogResult;
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
