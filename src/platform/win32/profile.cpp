// The profile (ini) file through the system's profile API. Writes go to a copy of the file
// under a fresh temporary name that then replaces it in one rename.

// The socket header must come before <windows.h>.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <string>

#include "platform/settings_platform.h"
#include "platform/system_platform.h"
#include "platform/win32/temp_file.h"
#include "platform/win32/unique_resource.h"

namespace {

// The profile API takes a bare file name for one in the Windows directory, while the copy
// and the rename take it from the current directory. Full paths keep all of them on the
// same file.
std::string fullPath(const char* path) {
  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  if (n == 0 || n >= MAX_PATH) return path;
  return std::string(full, n);
}

// The file's bytes into an open handle. A missing file gives nothing; one that exists but
// cannot be read is an error, so that it is left alone rather than replaced.
bool copyFileInto(const char* from, HANDLE to) {
  UniqueFileHandle in(CreateFileA(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in) return GetLastError() == ERROR_FILE_NOT_FOUND;
  char chunk[8192];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.get(), chunk, sizeof chunk, &got, nullptr)) return false;
    if (got == 0) return true;
    DWORD put = 0;
    if (!WriteFile(to, chunk, got, &put, nullptr) || put != got) return false;
  }
}

}  // namespace

namespace platform {

std::int32_t profileGetInt(const char* section, const char* key, std::int32_t def,
                           const char* path) {
  return static_cast<std::int32_t>(
      GetPrivateProfileIntA(section, key, def, fullPath(path).c_str()));
}

void profileGetString(const char* section, const char* key, const char* def, char* out,
                      std::uint32_t capacity, const char* path) {
  if (capacity == 0) return;
  GetPrivateProfileStringA(section, key, def, out, capacity, fullPath(path).c_str());
}

bool profileWriteKeys(const char* section,
                      const std::vector<std::pair<std::string, std::string>>& keyValues,
                      const char* path) {
  const std::string file = fullPath(path);
  std::string temp;
  // A fresh name created with CREATE_NEW: a file or link planted under a fixed name is
  // never written through.
  UniqueFileHandle copy(createTempHandle(file.c_str(), temp));
  if (!copy) return false;
  auto fail = [&]() {
    copy.reset();
    DeleteFileA(temp.c_str());
    return false;
  };
  if (!copyFileInto(file.c_str(), copy.get())) return fail();
  copy.reset();  // the profile API opens it by name
  for (const auto& [key, value] : keyValues) {
    if (!WritePrivateProfileStringA(section, key.c_str(), value.c_str(), temp.c_str())) {
      DeleteFileA(temp.c_str());
      return false;
    }
  }
  if (!replaceFile(temp.c_str(), file.c_str())) {
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace platform
