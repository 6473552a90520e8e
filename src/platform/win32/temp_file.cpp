#include "platform/win32/temp_file.h"

#include <cstdio>

#include "platform/win32/unique_resource.h"
#include "platform/win32/wide_path.h"

namespace {

constexpr int kNameTries = 16;

bool processAlive(unsigned long pid) {
  if (pid == 0) return false;
  UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to ask
  DWORD code = 0;
  return GetExitCodeProcess(process.get(), &code) && code == STILL_ACTIVE;
}

// ".tmp" alone, or ".tmp." digits "." something; pid 0 for the bare form.
bool staleName(const std::string& name, const std::string& base, unsigned long& pid) {
  pid = 0;
  const std::string stem = base + ".tmp";
  if (name.size() < stem.size() || _strnicmp(name.c_str(), stem.c_str(), stem.size()) != 0)
    return false;
  if (name.size() == stem.size()) return true;
  std::size_t at = stem.size();
  if (name[at++] != '.') return false;
  const std::size_t digits = at;
  while (at < name.size() && name[at] >= '0' && name[at] <= '9' && at - digits < 10)
    pid = pid * 10 + static_cast<unsigned long>(name[at++] - '0');
  return at != digits && at + 1 < name.size() && name[at] == '.';
}

void removeStaleTemps(const std::string& dir, const std::string& base) {
  WIN32_FIND_DATAW found;
  const std::wstring pattern = widePath((dir + base + ".tmp*").c_str());
  HANDLE find = FindFirstFileW(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::string name;
    if (!narrowPath(found.cFileName, wcslen(found.cFileName), name)) continue;
    unsigned long pid = 0;
    if (!staleName(name, base, pid)) continue;
    if (pid == GetCurrentProcessId() || (pid != 0 && processAlive(pid))) continue;
    // DeleteFile removes a link itself, never the file it names.
    DeleteFileW(widePath((dir + name).c_str()).c_str());
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

}  // namespace

HANDLE createTempHandle(const char* finalPath, std::string& tempPath) {
  tempPath.clear();
  if (!finalPath || !*finalPath) return INVALID_HANDLE_VALUE;
  const std::string path = finalPath;
  const std::size_t slash = path.find_last_of("\\/");
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  removeStaleTemps(dir, base);

  static LONG counter = 0;
  for (int i = 0; i < kNameTries; ++i) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp.%lu.%llx%lx",
                  static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long long>(GetTickCount64()),
                  static_cast<long>(InterlockedIncrement(&counter)));
    const std::string name = path + suffix;
    HANDLE h = CreateFileW(widePath(name.c_str()).c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      tempPath = name;
      return h;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
  }
  return INVALID_HANDLE_VALUE;
}
