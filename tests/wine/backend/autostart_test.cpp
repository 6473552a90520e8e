// The Run value in Wine's registry.
// clang-format off
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <string>

#include "platform/settings_platform.h"
#include "platform/win32/unique_resource.h"

namespace {

const char* kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// The value's type and bytes; false when it does not exist.
bool readRunValue(DWORD& type, std::string& data) {
  UniqueHkey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return false;
  char buffer[512];
  DWORD size = sizeof buffer;
  if (RegQueryValueExA(key.get(), "Vetrel", nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                       &size) != ERROR_SUCCESS)
    return false;
  data.assign(buffer, size);
  return true;
}

}  // namespace

TEST(Autostart, RunValueCreatedReplacedAndDeleted) {
  DWORD type = 0;
  std::string data;
  platform::setAutostart(false, "");
  ASSERT_FALSE(readRunValue(type, data));

  platform::setAutostart(true, "C:\\Program Files\\Vetrel\\vetrel.exe");
  ASSERT_TRUE(readRunValue(type, data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  // The path in quotes (a blank in it must not start "C:\\Program.exe"), stored with its
  // terminating zero.
  EXPECT_EQ(data, std::string("\"C:\\Program Files\\Vetrel\\vetrel.exe\"") + '\0');

  platform::setAutostart(true, "D:\\v.exe");
  ASSERT_TRUE(readRunValue(type, data));
  EXPECT_EQ(data, std::string("\"D:\\v.exe\"") + '\0');

  platform::setAutostart(false, "D:\\v.exe");
  EXPECT_FALSE(readRunValue(type, data));
  platform::setAutostart(false, "D:\\v.exe");  // nothing to delete: silent
  EXPECT_FALSE(readRunValue(type, data));
}
