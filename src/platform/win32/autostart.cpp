// The autostart value under the machine-wide Run key. Without administrative rights the key
// does not open; that stays silent.

// The socket header must come before <windows.h>.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <string>

#include "platform/settings_platform.h"
#include "platform/win32/unique_resource.h"
#include "platform/win32/wide_path.h"

namespace {
constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "Vetrel";
}  // namespace

namespace platform {

void setAutostart(bool on, const char* exePath) {
  UniqueHkey run;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, run.put()) != ERROR_SUCCESS)
    return;
  if (on) {
    if (!exePath || !exePath[0]) return;  // an empty Run value would start nothing
    // Quoted: with a blank in the path Windows could otherwise start "C:\\Program.exe".
    // Wide, so a Cyrillic folder reaches the registry whatever the system's code page.
    const std::wstring quoted = L"\"" + widePath(exePath) + L"\"";
    RegSetValueExW(run.get(), L"Vetrel", 0, REG_SZ, reinterpret_cast<const BYTE*>(quoted.c_str()),
                   static_cast<DWORD>((quoted.size() + 1) * sizeof(wchar_t)));
  } else {
    RegDeleteValueA(run.get(), kRunValue);
  }
}

// The dialog reports nothing either way.
bool setAutostartSaying(bool on, const char* exePath, std::string& said) {
  setAutostart(on, exePath);
  said.clear();
  return true;
}

}  // namespace platform
