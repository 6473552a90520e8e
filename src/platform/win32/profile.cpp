// The profile (ini) file through the system's profile API. Writes go to a copy of the file
// that then replaces it in one rename.

// The socket header must come before <windows.h>.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <string>

#include "platform/settings_platform.h"
#include "platform/system_platform.h"
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
  const std::string temp = file + ".tmp";
  // The copy overwrites a temporary file that an earlier crash may have left.
  if (!CopyFileA(file.c_str(), temp.c_str(), FALSE)) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    UniqueFileHandle empty(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!empty) return false;
  }
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
