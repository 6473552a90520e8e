// The range scanner in a real window under Wine: 16 workers over a /24 whose every address
// answers at once, each result sent to the window with WM_USER+100 as the scan page does,
// rows appended to a real list view. Prints the main thread's time per result, the time of
// a pass, and whether every row was shown live in address order.
//   scan_gui_bench [PASSES]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/address.h"
#include "base/ui_hooks.h"
#include "scan/scanner.h"
#include "settings/settings.h"
#include "ui/win32/list_view.h"
#include "ui/win32/shell.h"

HINSTANCE Instance = nullptr;

// The probes, answered at once: every address of 10.0.0.0/24 has a MAC. These definitions
// take the place of the system's (the linker then leaves the platform's probe file out).
namespace platform {
std::uint32_t sendArp(std::uint32_t dest, std::uint8_t (&mac)[8], std::uint32_t& length) {
  const std::uint32_t host = networkToHost(dest);
  if ((host >> 8) != (parseIpv4("10.0.0.0") >> 8)) return 67;
  const std::uint8_t bytes[6] = {2, 0, 0, 0, 0, static_cast<std::uint8_t>(host)};
  std::memcpy(mac, bytes, 6);
  length = 6;
  return 0;
}
bool getHostByAddr(std::uint32_t, std::string&) { return false; }
}  // namespace platform

namespace {

ListViewControl list;
HWND window = nullptr;
int clears = 0;
bool inOrder = true;
std::uint32_t lastShown = 0;
double handlerSeconds = 0;
bool redrawHeld = false, releasePosted = false;
int paints = 0;

int appendRow(ListId, const char* ip) {
  // The pass's own clear is the first; the refill at its end is the second.
  if (clears == 1) {
    const std::uint32_t value = parseIpv4(ip);
    if (value <= lastShown) inOrder = false;
    lastShown = value;
  }
  return list.AppendRow(ip);
}

void installHooks() {
  uiHooks.clearList = [](ListId) {
    ++clears;
    list.DeleteAllRows();
  };
  uiHooks.appendRow = appendRow;
  uiHooks.setCell = [](ListId, int row, int column, const char* text) {
    list.SetCellText(row, column, text);
  };
  uiHooks.scanHostShown = [](const AddressEntry&, int row) { list.EnsureVisible(row); };
  uiHooks.markSortedColumn = [](ListId, int column) { list.MarkSortedColumn(column); };
  // As the scan page does: held while rows change, released by a posted message, so the
  // release waits until no worker's message is pending.
  uiHooks.holdRedraw = [](ListId, bool hold) {
    if (hold) {
      if (!redrawHeld) SendMessageW(list.WindowHandle(), WM_SETREDRAW, FALSE, 0);
      redrawHeld = true;
    } else if (redrawHeld && !releasePosted) {
      releasePosted = PostMessageW(window, kScanRedrawMessage, 0, 0) != 0;
    }
  };
}

std::int32_t sendToWindow(std::int32_t* slot) {
  return static_cast<std::int32_t>(
             SendMessageW(window, kScanResultMessage, reinterpret_cast<WPARAM>(slot), 0)) -
         1;
}

LRESULT CALLBACK windowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kScanResultMessage) {
    const auto start = std::chrono::steady_clock::now();
    const std::int32_t next = handleScanResult(reinterpret_cast<std::int32_t*>(wParam));
    handlerSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return next + 1;
  }
  if (message == kScanRedrawMessage) {
    releasePosted = false;
    redrawHeld = false;
    ++paints;
    SendMessageW(list.WindowHandle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list.WindowHandle(), nullptr, TRUE);
    return 0;
  }
  return DefWindowProcW(w, message, wParam, lParam);
}

struct Pass {
  double mainUsPerResult, passMs;
  bool shownInOrder;
  int rows, paints;
};

Pass runPass(bool compare) {
  settings.ScanCheckMac = compare;
  clears = 0;
  inOrder = true;
  lastShown = 0;
  handlerSeconds = 0;
  paints = 0;
  buildScanRange(parseIpv4("10.0.0.1"), parseIpv4("10.0.0.254"));
  const auto start = std::chrono::steady_clock::now();
  beginScanPass();
  MSG msg;
  while (scanRunning && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // The last rows are on screen once the posted release and its paint are handled.
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {handlerSeconds / 254 * 1e6, seconds * 1e3,
          inOrder && lastShown == parseIpv4("10.0.0.254"), list.RowCount(), paints};
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  Instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSW c{};
  c.lpfnWndProc = windowProc;
  c.hInstance = Instance;
  c.lpszClassName = L"ScanBench";
  RegisterClassW(&c);
  window = CreateWindowW(L"ScanBench", L"scan bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700,
                         500, nullptr, nullptr, Instance, nullptr);
  list.Create(5, 5, 680, 450, window, 2004, Instance);
  list.AddColumn("IP", 140, 0);
  list.AddColumn("MAC", 160, 0);
  list.AddColumn("Имя", 200, 0);
  installHooks();
  settings.MaxScanThreads = 16;
  settings.AddNew = false;
  createScanLock();
  scanFrontEnd.handOff = sendToWindow;
  // The comparison runs against 254 samples that all agree (nothing is reported).
  for (int i = 1; i <= 254; ++i) {
    AddressEntry s = makeEntry();
    formatIpv4Host(parseIpv4("10.0.0.0") + i, s.ipText);
    const std::uint8_t bytes[6] = {2, 0, 0, 0, 0, static_cast<std::uint8_t>(i)};
    formatMac(bytes, s.macText);
    SampleList.push_back(s);
  }
  // The list operations alone: 254 rows added one by one as the page adds them, each
  // painted (what a visible list does without a hold) and held with one paint at the end.
  for (const bool held : {false, true}) {
    list.DeleteAllRows();
    const auto start = std::chrono::steady_clock::now();
    if (held) SendMessageW(list.WindowHandle(), WM_SETREDRAW, FALSE, 0);
    for (int i = 1; i <= 254; ++i) {
      const int row = list.AppendRow("10.0.0.1");
      list.SetCellText(row, 1, "02-00-00-00-00-01");
      list.SetCellText(row, 2, "");
      list.EnsureVisible(row);
    }
    if (held) {
      SendMessageW(list.WindowHandle(), WM_SETREDRAW, TRUE, 0);
      InvalidateRect(list.WindowHandle(), nullptr, TRUE);
      UpdateWindow(list.WindowHandle());
    }
    const double us =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    std::printf("list alone, %-26s %.1f us per row\n",
                held ? "redraw held, one paint:" : "every change painted:", us / 254);
  }
  bool allInOrder = true;
  for (const bool compare : {false, true}) {
    std::vector<double> perResult, passMs;
    int rows = 0, passPaints = 0;
    for (int i = 0; i < passes; ++i) {
      const Pass p = runPass(compare);
      perResult.push_back(p.mainUsPerResult);
      passMs.push_back(p.passMs);
      allInOrder = allInOrder && p.shownInOrder && p.rows == 254;
      rows = p.rows;
      passPaints = p.paints;
    }
    std::printf(
        "%-22s 16 workers, /24, %d passes: main thread %.1f us per result (median), pass %.1f ms "
        "(median), %d rows, %d paints in the last pass, shown live in address order: %s\n",
        compare ? "compare with samples:" : "no comparison:", passes, median(perResult),
        median(passMs), rows, passPaints, allInOrder ? "yes" : "NO");
  }
  deleteScanLock();
  return allInOrder ? 0 : 1;
}
