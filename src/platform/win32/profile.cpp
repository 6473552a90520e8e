// The profile (ini) file: read through the system's profile API; written as a whole new text
// (the profile API's rules, platform/ini_text) under a fresh temporary name that is read
// back before it replaces the file in one rename. Writing the copy key by key through the
// profile API once left a file with its section alone under load; a text checked before
// and after it reaches the disk can never hold fewer keys than it was given.

// The socket header must come before <windows.h>.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <algorithm>
#include <string>

#include "platform/ini_text.h"
#include "platform/settings_platform.h"
#include "platform/system_platform.h"
#include "platform/win32/temp_file.h"
#include "platform/win32/unique_resource.h"
#include "platform/win32/wide_path.h"

namespace {

// The profile API takes a bare file name for one in the Windows directory, while the copy
// and the rename take it from the current directory. Full paths keep all of them on the
// same file.
std::wstring fullPath(const char* path) {
  const std::wstring given = widePath(path);
  wchar_t full[MAX_PATH];
  const DWORD n = GetFullPathNameW(given.c_str(), MAX_PATH, full, nullptr);
  if (n == 0 || n >= MAX_PATH) return given;
  return std::wstring(full, n);
}

std::wstring wideText(const char* text) {
  // Names and values are read from the file in the system's ANSI code page, byte for byte
  // as the ANSI calls did; only the path needs the wide call.
  if (!text) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(n > 0 ? static_cast<std::size_t>(n) : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
  wide.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
  return wide;
}

// The whole file. A missing file gives nothing; one that exists but cannot be read is an
// error, so that it is left alone rather than replaced.
bool readFileInto(const std::wstring& from, std::string& bytes) {
  bytes.clear();
  UniqueFileHandle in(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in) return GetLastError() == ERROR_FILE_NOT_FOUND;
  char chunk[8192];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.get(), chunk, sizeof chunk, &got, nullptr)) return false;
    if (got == 0) return true;
    bytes.append(chunk, got);
  }
}

bool writeAll(HANDLE to, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!WriteFile(to, bytes.data() + done, want, &put, nullptr) || put == 0) return false;
    done += put;
  }
  return true;
}

}  // namespace

namespace platform {

std::int32_t profileGetInt(const char* section, const char* key, std::int32_t def,
                           const char* path) {
  return static_cast<std::int32_t>(GetPrivateProfileIntW(
      wideText(section).c_str(), wideText(key).c_str(), def, fullPath(path).c_str()));
}

void profileGetString(const char* section, const char* key, const char* def, char* out,
                      std::uint32_t capacity, const char* path) {
  if (capacity == 0) return;
  std::vector<wchar_t> wide(capacity, L'\0');
  GetPrivateProfileStringW(wideText(section).c_str(), wideText(key).c_str(), wideText(def).c_str(),
                           wide.data(), capacity, fullPath(path).c_str());
  // Back to the file's bytes, cut to the field as the ANSI call cut them.
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, out, static_cast<int>(capacity),
                                    nullptr, nullptr);
  if (n <= 0) {
    const int whole = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(whole > 0 ? static_cast<std::size_t>(whole) : 1, '\0');
    if (whole > 0)
      WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, bytes.data(), whole, nullptr, nullptr);
    lstrcpynA(out, bytes.c_str(), static_cast<int>(capacity));
  }
}

// The data directory's own access rules guard the file; the password is sealed per user.
bool profileWriteKeys(const char* section,
                      const std::vector<std::pair<std::string, std::string>>& keyValues,
                      const char* path, bool /*secret*/) {
  if (!section) return false;
  const std::wstring wideFile = fullPath(path);
  std::string file;
  if (!narrowPath(wideFile.c_str(), wideFile.size(), file)) return false;
  std::string before, merged;
  if (!readFileInto(wideFile, before)) return false;
  if (!mergeIniKeys(before, section, keyValues, merged)) return false;
  std::string temp;
  // A fresh name created with CREATE_NEW: a file or link planted under a fixed name is
  // never written through.
  UniqueFileHandle copy(createTempHandle(file.c_str(), temp));
  if (!copy) return false;
  const bool written = writeAll(copy.get(), merged);
  copy.reset();
  // What reached the file is what was meant, or the file is not replaced.
  std::string back;
  if (!written || !readFileInto(widePath(temp.c_str()), back) || back != merged ||
      !replaceFile(temp.c_str(), file.c_str())) {
    DeleteFileW(widePath(temp.c_str()).c_str());
    return false;
  }
  return true;
}

}  // namespace platform
