// The IPv4 routing and interface address tables, route-change notification, and the
// route command run as a process.

// The socket header must come before <windows.h>.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/route_platform.h"
#include "platform/win32/unique_resource.h"

namespace {

// Asks for the size with no buffer, then reads into a buffer of that size. The second call
// must answer 0; any other answer (also of the first call, other than "too small") is the
// result. 4-byte words suit both tables' layouts.
template <typename Table, typename Read>
DWORD readTable(std::vector<std::uint32_t>& words, Read read) {
  ULONG size = 0;
  DWORD result = read(nullptr, &size);
  if (result != ERROR_INSUFFICIENT_BUFFER) return result == 0 ? ERROR_NO_DATA : result;
  try {
    words.assign((size + 3) / 4, 0);
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  return read(reinterpret_cast<Table*>(words.data()), &size);
}

constexpr std::size_t kRouteOutputLimit = 4096;

// A console program's output, written in the OEM code page, in the program's Windows-1251.
std::string consoleText(const std::string& oem) {
  if (oem.empty()) return {};
  const int size = static_cast<int>(oem.size());
  std::wstring wide(oem.size(), L'\0');
  const int n = MultiByteToWideChar(CP_OEMCP, 0, oem.data(), size, wide.data(), size);
  if (n <= 0) return oem;
  std::string text(static_cast<std::size_t>(n) * 2, '\0');
  const int m = WideCharToMultiByte(1251, 0, wide.data(), n, text.data(),
                                    static_cast<int>(text.size()), nullptr, nullptr);
  text.resize(m > 0 ? static_cast<std::size_t>(m) : 0);
  return text;
}

RouteRow fromSystemRow(const MIB_IPFORWARDROW& r) {
  return RouteRow{r.dwForwardDest,      r.dwForwardMask,    r.dwForwardPolicy,  r.dwForwardNextHop,
                  r.dwForwardIfIndex,   r.dwForwardType,    r.dwForwardProto,   r.dwForwardAge,
                  r.dwForwardNextHopAS, r.dwForwardMetric1, r.dwForwardMetric2, r.dwForwardMetric3,
                  r.dwForwardMetric4,   r.dwForwardMetric5};
}

}  // namespace

namespace platform {

std::uint32_t getIpForwardTable(std::vector<RouteRow>& rows) {
  std::vector<std::uint32_t> words;
  const DWORD result = readTable<MIB_IPFORWARDTABLE>(
      words, [](MIB_IPFORWARDTABLE* t, ULONG* size) { return GetIpForwardTable(t, size, FALSE); });
  if (result != 0) return result;
  const auto* table = reinterpret_cast<const MIB_IPFORWARDTABLE*>(words.data());
  std::vector<RouteRow> read;
  read.reserve(table->dwNumEntries);
  for (DWORD i = 0; i < table->dwNumEntries; ++i) read.push_back(fromSystemRow(table->table[i]));
  rows = std::move(read);
  return 0;
}

std::uint32_t getIpAddrTable(std::vector<IpAddrRow>& rows) {
  std::vector<std::uint32_t> words;
  const DWORD result = readTable<MIB_IPADDRTABLE>(
      words, [](MIB_IPADDRTABLE* t, ULONG* size) { return GetIpAddrTable(t, size, FALSE); });
  if (result != 0) return result;
  const auto* table = reinterpret_cast<const MIB_IPADDRTABLE*>(words.data());
  std::vector<IpAddrRow> read;
  read.reserve(table->dwNumEntries);
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    const MIB_IPADDRROW& r = table->table[i];
    read.push_back(
        IpAddrRow{r.dwAddr, r.dwIndex, r.dwMask, r.dwBCastAddr, r.dwReasmSize, r.unused1, r.wType});
  }
  rows = std::move(read);
  return 0;
}

std::uint32_t notifyRouteChange() { return NotifyRouteChange(nullptr, nullptr); }

std::uint32_t lastErrorCode() { return GetLastError(); }

std::uint32_t deleteIpForwardEntry(const RouteRow& row) {
  MIB_IPFORWARDROW r{};
  r.dwForwardDest = row.dest;
  r.dwForwardMask = row.mask;
  r.dwForwardPolicy = row.policy;
  r.dwForwardNextHop = row.nextHop;
  r.dwForwardIfIndex = row.ifIndex;
  r.dwForwardType = row.type;
  r.dwForwardProto = row.proto;
  r.dwForwardAge = row.age;
  r.dwForwardNextHopAS = row.nextHopAS;
  r.dwForwardMetric1 = row.metric1;
  r.dwForwardMetric2 = row.metric2;
  r.dwForwardMetric3 = row.metric3;
  r.dwForwardMetric4 = row.metric4;
  r.dwForwardMetric5 = row.metric5;
  return DeleteIpForwardEntry(&r);
}

bool addRoute(const RouteAddRequest& request, RouteCommandFailure* failure) {
  // The system's own route.exe by its full path: a search would try the program's folder
  // first, where any process of the user could plant one to run with our rights.
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const std::wstring program = std::wstring(folder, length) + L"\\route.exe";
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  const char* text = request.commandLine ? request.commandLine : "";
  std::vector<wchar_t> line(std::strlen(text) + 1, L'\0');
  if (line.size() > 1 &&
      MultiByteToWideChar(1251, 0, text, -1, line.data(), static_cast<int>(line.size())) == 0)
    return false;
  // What the command prints is read back, so that a refusal can be shown as it was said.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
  UniqueHandle reader(readEnd);
  UniqueHandle writer(writeEnd);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &process))
    return false;
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);
  writer.reset();  // the pipe ends when the command (and anything it started) has ended
  std::string output;
  char chunk[512];
  DWORD got = 0;
  while (ReadFile(reader.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
    if (output.size() < kRouteOutputLimit) output.append(chunk, got);
  WaitForSingleObject(processHandle.get(), INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(processHandle.get(), &code)) code = GetLastError();
  if (code != 0 && failure) *failure = RouteCommandFailure{code, consoleText(output)};
  return true;
}

}  // namespace platform
