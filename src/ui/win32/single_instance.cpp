// One program per data folder: two copies on one folder would each rewrite samples.dat,
// statics.dat and quorel.ini and lose the other's changes. Copies in other folders run on.
#include <cstdint>
#include <string>
#include <vector>

#include "ui/win32/shell.h"

namespace {

// The first copy's main window, for a later start to bring forward.
std::uint64_t* sharedWindow = nullptr;

// Names of kernel objects cannot hold a backslash; a hash of the folder's full path, case
// folded as the file system folds it, stands for it.
std::wstring folderKey() {
  std::wstring folder = programFolder();
  if (!folder.empty()) CharUpperBuffW(folder.data(), static_cast<DWORD>(folder.size()));
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (wchar_t c : folder) {
    hash ^= static_cast<std::uint16_t>(c);
    hash *= 0x100000001b3ull;
  }
  wchar_t hex[17];
  for (int i = 0; i < 16; ++i) hex[i] = L"0123456789abcdef"[(hash >> (60 - 4 * i)) & 15];
  hex[16] = 0;
  return hex;
}

}  // namespace

std::wstring programFolder() {
  std::vector<wchar_t> path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  std::wstring folder(path.data(), n < path.size() ? n : 0);
  const std::size_t cut = folder.find_last_of(L'\\');
  folder.erase(cut == std::wstring::npos ? 0 : cut);
  return folder;
}

UINT ShowFirstCopyMessage = 0;

bool claimDataFolder() {
  ShowFirstCopyMessage = RegisterWindowMessageW(L"Vetrel.ShowFirstCopy");
  const std::wstring key = folderKey();
  // Never closed: the claim ends with the process.
  HANDLE claim = CreateMutexW(nullptr, FALSE, (L"Local\\Vetrel.folder." + key).c_str());
  if (!claim) return true;  // nothing known: run, as before
  const bool first = GetLastError() != ERROR_ALREADY_EXISTS;
  HANDLE map = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  sizeof(std::uint64_t), (L"Local\\Vetrel.window." + key).c_str());
  if (map)
    sharedWindow = static_cast<std::uint64_t*>(
        MapViewOfFile(map, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(std::uint64_t)));
  if (first) return true;
  // The first copy may still be starting: its window is waited for a few seconds.
  for (int i = 0; sharedWindow && i < 50; ++i) {
    const auto window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(
        InterlockedCompareExchange64(reinterpret_cast<volatile LONG64*>(sharedWindow), 0, 0)));
    if (window && IsWindow(window)) {
      DWORD process = 0;
      GetWindowThreadProcessId(window, &process);
      AllowSetForegroundWindow(process);
      PostMessageW(window, ShowFirstCopyMessage, 0, 0);
      break;
    }
    Sleep(100);
  }
  return false;
}

void publishMainWindow(HWND window) {
  if (!sharedWindow) return;
  InterlockedExchange64(reinterpret_cast<volatile LONG64*>(sharedWindow),
                        static_cast<LONG64>(reinterpret_cast<std::uintptr_t>(window)));
}

void showFirstCopy(HWND window) {
  ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window);
}
