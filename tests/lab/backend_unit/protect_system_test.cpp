// Password protection, the autostart unit and the process services.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "platform/linux/autostart_unit.h"
#include "platform/settings_platform.h"
#include "platform/system_platform.h"

namespace {

const std::vector<std::uint8_t> kEntropy = {'K', 'O', 'V', 'A', 0};

TEST(Protect, RoundTripAndCleanRefusals) {
  const std::vector<std::uint8_t> plain = {'s', 'e', 'c', 'r', 'e', 't', 0};
  std::vector<std::uint8_t> blob, back;
  ASSERT_TRUE(platform::protectData(plain, kEntropy, blob));
  EXPECT_EQ(blob.size(), 24u + 16u + plain.size());
  ASSERT_TRUE(platform::unprotectData(blob, kEntropy, back));
  EXPECT_EQ(back, plain);

  std::vector<std::uint8_t> again;
  ASSERT_TRUE(platform::protectData(plain, kEntropy, again));
  EXPECT_NE(again, blob);  // a fresh nonce every time

  back = {9};
  EXPECT_FALSE(platform::unprotectData(blob, {'x'}, back));
  for (std::size_t i : {0ul, 30ul, blob.size() - 1}) {
    std::vector<std::uint8_t> forged = blob;
    forged[i] ^= 0x01;
    EXPECT_FALSE(platform::unprotectData(forged, kEntropy, back)) << i;
  }
  for (std::size_t n : {0ul, 1ul, 39ul}) {
    std::vector<std::uint8_t> shortBlob(blob.begin(), blob.begin() + static_cast<long>(n));
    EXPECT_FALSE(platform::unprotectData(shortBlob, kEntropy, back)) << n;
  }
  EXPECT_EQ(back, std::vector<std::uint8_t>{9});  // untouched by refusals

  std::vector<std::uint8_t> emptyBlob;
  ASSERT_TRUE(platform::protectData({}, kEntropy, emptyBlob));
  ASSERT_TRUE(platform::unprotectData(emptyBlob, kEntropy, back));
  EXPECT_TRUE(back.empty());
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(Autostart, UnitTextQuotesAndRefusesControlCharacters) {
  std::string text;
  ASSERT_TRUE(autostartUnitText("/opt/my dir/vet\"rel%", "/var/lib/v%", text));
  EXPECT_NE(text.find("ExecStart=\"/opt/my dir/vet\\\"rel%%\" monitor\n"), std::string::npos);
  EXPECT_NE(text.find("WorkingDirectory=/var/lib/v%%\n"), std::string::npos);
  EXPECT_NE(text.find("WantedBy=multi-user.target"), std::string::npos);
  EXPECT_FALSE(autostartUnitText("/bin/x\nExecStartPre=/bin/evil", "/", text));
  EXPECT_FALSE(autostartUnitText("", "/", text));
}

TEST(Autostart, WritesAndRemovesTheUnitAndItsLink) {
  char dir[] = "/tmp/linuxbe-unit-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string d = dir;
  applyAutostart(true, "/usr/bin/vetrel", d);
  EXPECT_NE(slurp(d + "/vetrel.service").find("ExecStart=\"/usr/bin/vetrel\" monitor"),
            std::string::npos);
  char target[512] = {};
  ASSERT_GT(
      readlink((d + "/multi-user.target.wants/vetrel.service").c_str(), target, sizeof target - 1),
      0);
  EXPECT_EQ(std::string(target), d + "/vetrel.service");
  applyAutostart(true, "/usr/bin/vetrel", d);  // again: still one unit and one link
  applyAutostart(false, "/usr/bin/vetrel", d);
  EXPECT_NE(access((d + "/vetrel.service").c_str(), F_OK), 0);
  EXPECT_NE(access((d + "/multi-user.target.wants/vetrel.service").c_str(), F_OK), 0);
  applyAutostart(false, "/usr/bin/vetrel", d);              // nothing there: silent
  applyAutostart(true, "/usr/bin/vetrel", d + "/missing");  // unwritable: silent

  // A unit installed by hand survives both switches.
  const std::string handMade = "[Service]\nExecStart=/usr/local/bin/vetrel monitor --dir /x\n";
  std::ofstream(d + "/vetrel.service") << handMade;
  applyAutostart(true, "/usr/bin/vetrel", d);
  EXPECT_EQ(slurp(d + "/vetrel.service"), handMade);
  applyAutostart(false, "/usr/bin/vetrel", d);
  EXPECT_EQ(slurp(d + "/vetrel.service"), handMade);
  unlink((d + "/vetrel.service").c_str());
  rmdir((d + "/multi-user.target.wants").c_str());
  EXPECT_EQ(rmdir(dir), 0);  // nothing left behind
}

TEST(System, FilesAndPaths) {
  EXPECT_EQ(platform::executablePath().substr(platform::executablePath().rfind('/') + 1),
            "linux_backend_tests");
  char dir[] = "/tmp/linuxbe-sys-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string d = dir, final = d + "/statics.dat", temp = d + "/statics.tmp";
  std::ofstream(final) << "old";
  std::ofstream(temp) << "new";
  ASSERT_TRUE(platform::replaceFile(temp.c_str(), final.c_str()));
  EXPECT_EQ(slurp(final), "new");
  EXPECT_FALSE(platform::replaceFile(temp.c_str(), final.c_str()));  // temp is gone

  const std::string log = d + "/quorel.log";
  for (const char* line : {"one\r\n", "two\r\n"}) {
    bool notRegular = true;
    std::FILE* f = platform::openAppendShared(log.c_str(), notRegular);
    EXPECT_FALSE(notRegular);
    ASSERT_NE(f, nullptr);
    std::fputs(line, f);
    std::fclose(f);
  }
  EXPECT_EQ(slurp(log), "one\r\ntwo\r\n");
  struct stat st {};
  ASSERT_EQ(stat(log.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  bool notRegular = true;
  EXPECT_EQ(platform::openAppendShared((d + "/no/dir/x.log").c_str(), notRegular), nullptr);
  EXPECT_FALSE(notRegular);  // plainly missing, not something else

  EXPECT_TRUE(platform::removeFile(log.c_str()));
  EXPECT_FALSE(platform::removeFile(log.c_str()));
  EXPECT_TRUE(platform::removeFile(final.c_str()));
  EXPECT_FALSE(platform::setCurrentDirectory((d + "/nowhere").c_str()));
  EXPECT_EQ(rmdir(dir), 0);
}

TEST(System, ClockAndZone) {
  const char* saved = std::getenv("TZ");
  std::string old = saved ? saved : "";
  setenv("TZ", "MSK-3", 1);  // POSIX sign: three hours east of UTC
  tzset();
  platform::TimeZoneInfo z = platform::timeZoneInformation();
  EXPECT_EQ(z.bias, -180);
  EXPECT_EQ(z.state, platform::TimeZoneInfo::Standard);
  EXPECT_EQ(z.daylightBias, 0);
  setenv("TZ", "AAA3BBB,M1.1.0/0,M12.5.6/23:59", 1);  // daylight all year but the last day
  tzset();
  z = platform::timeZoneInformation();
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  EXPECT_EQ(z.state,
            tm.tm_isdst > 0 ? platform::TimeZoneInfo::Daylight : platform::TimeZoneInfo::Standard);
  EXPECT_EQ(z.bias, static_cast<int>(-tm.tm_gmtoff / 60));
  platform::WallClock c = platform::localNow();
  EXPECT_EQ(c.year, tm.tm_year + 1900);
  EXPECT_GE(c.month, 1);
  EXPECT_LE(c.month, 12);
  EXPECT_GE(c.weekDay, 0);
  EXPECT_LE(c.weekDay, 6);
  if (saved)
    setenv("TZ", old.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

}  // namespace
