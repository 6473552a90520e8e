// Watches vetrel.exe from outside under Wine while its ARP table is large or churning.
//   arp_load_driver DESKTOP full ROWS SECONDS: waits until the ARP list holds ROWS rows and
//     prints "full UNIX-SECONDS" (the shell subtracts its launch time) and the longest wait
//     for the count meanwhile, or "full never"
//   arp_load_driver DESKTOP ping SECONDS: sends WM_NULL to the main window every 50 ms and
//     prints the longest and the median time until an answer, in milliseconds
//   arp_load_driver - tableread RUNS: the milliseconds of one GetIpNetTable of the whole
//     table in this process (Wine's own read), median of RUNS
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <iphlpapi.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

double nowMs() {
  static LARGE_INTEGER frequency{};
  if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double unixSeconds() {
  FILETIME f;
  GetSystemTimeAsFileTime(&f);
  const ULONGLONG t = (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
  return static_cast<double>(t - 116444736000000000ULL) / 1e7;
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

wchar_t desktop[64] = {};

// The program runs on a virtual desktop, which may appear only after this driver started.
HWND mainWindow() {
  HWND w = FindWindowW(L"#32770", L" Vetrel 4.1.5");
  if (!w)
    if (HDESK d = OpenDesktopW(desktop, 0, FALSE, GENERIC_ALL)) SetThreadDesktop(d);
  return w;
}

int waitFull(long rows, int seconds) {
  const double until = nowMs() + 1000.0 * seconds;
  double longest = 0;  // the longest wait for an answer while the program starts
  while (nowMs() < until) {
    DWORD_PTR count = 0;
    HWND list = GetDlgItem(mainWindow(), 2002);
    const double t0 = nowMs();
    const bool answered = list && SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL,
                                                      static_cast<UINT>(seconds) * 1000u, &count);
    if (answered) longest = std::max(longest, nowMs() - t0);
    if (answered && static_cast<long>(count) == rows) {
      std::printf("full %.3f longest unanswered ms %.0f\n", unixSeconds(), longest);
      return 0;
    }
    Sleep(50);
  }
  std::printf("full never\n");
  return 1;
}

int ping(int seconds) {
  HWND main = mainWindow();
  if (!main) return 1;
  std::vector<double> answers;
  const double until = nowMs() + 1000.0 * seconds;
  while (nowMs() < until && answers.size() < 100000) {
    DWORD_PTR r = 0;
    const double t0 = nowMs();
    if (!SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 600000, &r)) return 1;
    const double took = nowMs() - t0;
    answers.push_back(took);
    if (took < 50) Sleep(static_cast<DWORD>(50 - took));
  }
  std::printf("longest unanswered ms %.0f median ms %.1f sends %zu\n",
              *std::max_element(answers.begin(), answers.end()), median(answers), answers.size());
  return 0;
}

int tableRead(int runs) {
  ULONG size = 0;
  GetIpNetTable(nullptr, &size, FALSE);
  std::vector<BYTE> buffer(size * 2 + 4096);
  std::vector<double> took;
  DWORD rows = 0;
  for (int i = 0; i < runs; ++i) {
    ULONG offered = static_cast<ULONG>(buffer.size());
    const double t0 = nowMs();
    if (GetIpNetTable(reinterpret_cast<MIB_IPNETTABLE*>(buffer.data()), &offered, FALSE) != 0)
      return 1;
    took.push_back(nowMs() - t0);
    rows = reinterpret_cast<MIB_IPNETTABLE*>(buffer.data())->dwNumEntries;
  }
  std::printf("table read ms %.1f rows %lu\n", median(took), static_cast<unsigned long>(rows));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: arp_load_driver DESKTOP full ROWS SECONDS|ping SECONDS|"
                 "tableread RUNS\n");
    return 2;
  }
  MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, desktop, 63);
  mainWindow();
  const std::string_view what = argv[2];
  int rc = 2;
  if (what == "full" && argc == 5) rc = waitFull(std::atol(argv[3]), std::atoi(argv[4]));
  if (what == "ping") rc = ping(std::atoi(argv[3]));
  if (what == "tableread") rc = tableRead(std::atoi(argv[3]));
  std::fflush(stdout);
  return rc;
}
