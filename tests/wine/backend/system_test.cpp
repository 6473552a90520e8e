// Paths, files, the clock and the socket layer.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/probe_platform.h"
#include "platform/system_platform.h"
#include "platform/win32/unique_resource.h"
#include "test_support.h"

TEST(System, ExecutablePathIsTheFullWindowsPath) {
  const std::string path = platform::executablePath();
  ASSERT_GT(path.size(), 3u);
  EXPECT_EQ(path[1], ':');
  EXPECT_EQ(path.substr(path.rfind('\\') + 1), "wine_backend_tests.exe");
  EXPECT_TRUE(fileExists(path));
}

TEST(System, CurrentDirectoryChanges) {
  ScratchDirectory dir;
  char before[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, before);
  ASSERT_TRUE(platform::setCurrentDirectory(dir.path().c_str()));
  char now[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, now);
  EXPECT_EQ(std::string(now), dir.path());
  EXPECT_FALSE(platform::setCurrentDirectory(dir.file("missing").c_str()));
  SetCurrentDirectoryA(before);
}

TEST(System, ReplaceAndRemoveFiles) {
  ScratchDirectory dir;
  const std::string temp = dir.file("samples.tmp"), final = dir.file("samples.dat");
  ASSERT_TRUE(writeWholeFile(final, "old"));
  ASSERT_TRUE(writeWholeFile(temp, "new"));
  ASSERT_TRUE(platform::replaceFile(temp.c_str(), final.c_str()));
  EXPECT_EQ(readWholeFile(final), "new");
  EXPECT_FALSE(fileExists(temp));

  ASSERT_TRUE(writeWholeFile(temp, "newer"));
  EXPECT_FALSE(platform::replaceFile(temp.c_str(), dir.file("none\\samples.dat").c_str()));
  EXPECT_EQ(readWholeFile(temp), "newer");  // a failed replacement loses nothing

  EXPECT_TRUE(platform::removeFile(temp.c_str()));
  EXPECT_FALSE(platform::removeFile(temp.c_str()));
}

namespace {

std::FILE* openLogFile(const std::string& path) {
  bool notRegular = true;
  std::FILE* f = platform::openAppendShared(path.c_str(), notRegular);
  EXPECT_FALSE(notRegular) << path;
  return f;
}

}  // namespace

TEST(System, AppendSharedFileKeepsContentAndLetsOthersOnlyRead) {
  ScratchDirectory dir;
  const std::string log = dir.file("quorel.log");
  ASSERT_TRUE(writeWholeFile(log, "first\r\n"));
  std::FILE* f = openLogFile(log);
  ASSERT_NE(f, nullptr);
  std::fputs("second\r\n", f);
  std::fflush(f);
  {
    UniqueFileHandle reader(CreateFileA(log.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
    EXPECT_TRUE(reader.valid());
    UniqueFileHandle writer(CreateFileA(log.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
    EXPECT_FALSE(writer.valid());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  }
  EXPECT_EQ(std::fclose(f), 0);

  f = openLogFile(log);
  ASSERT_NE(f, nullptr);
  std::fputs("third\r\n", f);
  std::fclose(f);
  EXPECT_EQ(readWholeFile(log), "first\r\nsecond\r\nthird\r\n");

  const std::string fresh = dir.file("new.log");
  f = openLogFile(fresh);
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(fileExists(fresh));
  EXPECT_EQ(openLogFile(dir.file("none\\x.log")), nullptr);

  // A directory under the log's name is refused as no file.
  const std::string folder = dir.file("folder.log");
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  bool notRegular = false;
  EXPECT_EQ(platform::openAppendShared(folder.c_str(), notRegular), nullptr);
  EXPECT_TRUE(notRegular);
  RemoveDirectoryA(folder.c_str());
}

TEST(System, TemporaryFilesAreNewAndStaleOnesGo) {
  ScratchDirectory dir;
  const std::string final = dir.file("samples.dat");
  // Left by an earlier version, and by a process that has ended (no process has id 3).
  ASSERT_TRUE(writeWholeFile(final + ".tmp", "planted"));
  ASSERT_TRUE(writeWholeFile(final + ".tmp.3.1", "stale"));
  ASSERT_TRUE(writeWholeFile(final + ".tmp.x", "not ours"));
  std::string temp;
  std::FILE* f = platform::createTempFile(final.c_str(), temp);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(temp.rfind(final + ".tmp." + std::to_string(GetCurrentProcessId()) + ".", 0), 0u);
  std::fputs("new", f);
  std::fclose(f);
  EXPECT_FALSE(fileExists(final + ".tmp"));
  EXPECT_FALSE(fileExists(final + ".tmp.3.1"));
  EXPECT_TRUE(fileExists(final + ".tmp.x"));
  // A second one gets a name of its own while the first is still there.
  std::string second;
  f = platform::createTempFile(final.c_str(), second);
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_NE(second, temp);
  EXPECT_EQ(readWholeFile(temp), "new");
  ASSERT_TRUE(platform::replaceFile(temp.c_str(), final.c_str()));
  EXPECT_EQ(readWholeFile(final), "new");
  platform::removeFile(second.c_str());
  platform::removeFile((final + ".tmp.x").c_str());
}

// backend.sh runs Wine with TZ=Europe/Berlin: one hour east, with summer time.
TEST(System, LocalTimeAndZoneAgreeWithUtc) {
  ASSERT_TRUE(insideLab()) << "run through tests/wine/backend.sh";
  const platform::TimeZoneInfo zone = platform::timeZoneInformation();
  EXPECT_EQ(zone.bias, -60);
  EXPECT_EQ(zone.standardBias, 0);
  EXPECT_EQ(zone.daylightBias, -60);
  ASSERT_TRUE(zone.state == platform::TimeZoneInfo::Standard ||
              zone.state == platform::TimeZoneInfo::Daylight);
  const int offset =
      -(zone.bias +
        (zone.state == platform::TimeZoneInfo::Daylight ? zone.daylightBias : zone.standardBias));

  SYSTEMTIME utc;
  GetSystemTime(&utc);
  const platform::WallClock local = platform::localNow();
  int minutes = (local.hour * 60 + local.minute) - (utc.wHour * 60 + utc.wMinute);
  if (local.day != utc.wDay) minutes += minutes < 0 ? 24 * 60 : -24 * 60;
  EXPECT_NEAR(minutes, offset, 1);
  EXPECT_GE(local.year, 2020);
  EXPECT_TRUE(local.month >= 1 && local.month <= 12);
  EXPECT_TRUE(local.weekDay >= 0 && local.weekDay <= 6);
}

TEST(System, NameLookupNeedsTheSocketLayer) {
  const std::uint32_t loopback = htonl(INADDR_LOOPBACK);
  std::string name = "unchanged";
  EXPECT_FALSE(platform::getHostByAddr(loopback, name));
  EXPECT_EQ(name, "unchanged");
  ASSERT_TRUE(platform::startSockets());
  EXPECT_TRUE(platform::getHostByAddr(loopback, name));
  EXPECT_EQ(name, "localhost");
  platform::stopSockets();
  EXPECT_FALSE(platform::getHostByAddr(loopback, name));
}

// A path cut to the 260-byte buffer would name some other directory: none is given instead.
// Wine starts no program from such a path through CreateProcess, so backend.sh runs this
// test itself, from a copy of the program deep in a long directory.
TEST(System, DISABLED_ExecutablePathLongerThanTheBufferIsNone) {
  wchar_t full[1024];
  const DWORD length = GetModuleFileNameW(nullptr, full, 1024);
  ASSERT_GT(length, static_cast<DWORD>(MAX_PATH)) << "run through tests/wine/backend.sh";
  EXPECT_EQ(platform::executablePath(), "");
}
