#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/text_field.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "platform/settings_platform.h"

namespace {

const char* const kPath = "C:\\Vetrel\\quorel.ini";

std::map<std::string, std::string>& ini() { return platform::fakeProfile(kPath); }
std::string& key(const char* name) { return ini()[std::string("Vetrel/") + name]; }

std::string writtenValue(const char* name) {
  for (auto& [k, v] : fake.lastWrittenKeys)
    if (k == name) return v;
  return "<absent>";
}

WindowRect scriptedRect;
bool rectAnswer = true;
bool readRect(WindowRect& r) {
  r = scriptedRect;
  return rectAnswer;
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    installUiRecorder();
    ini().clear();
    settings = Settings{};
    iniPath = kPath;
    exePath = "C:\\Vetrel\\vetrel.exe";
    readMainWindowRect = nullptr;
    readMessageWindowRect = nullptr;
    rectAnswer = true;
  }
  void TearDown() override {
    readMainWindowRect = nullptr;
    readMessageWindowRect = nullptr;
  }
};

TEST_F(SettingsTest, MissingFileGivesTheDefaults) {
  settings.AddNew = false;
  settings.MsgMask = 1;
  copyField(settings.MailTo, "stale");
  loadSettings();
  EXPECT_TRUE(settings.AddNew);
  EXPECT_TRUE(settings.CheckMac);
  EXPECT_FALSE(settings.Restore);
  EXPECT_TRUE(settings.AddAddIp);
  EXPECT_FALSE(settings.BlockNew);
  EXPECT_TRUE(settings.ShowMsg);
  EXPECT_FALSE(settings.WriteLog);
  EXPECT_FALSE(settings.MsgToMail);
  EXPECT_FALSE(settings.MsgOnRoute);
  EXPECT_EQ(settings.CheckInt, 5);
  EXPECT_EQ(settings.MaxScanThreads, 5);
  EXPECT_EQ(settings.MailPort, 25);
  EXPECT_EQ(settings.SendMailInt, 30);
  EXPECT_EQ(settings.MsgMask, 262);
  EXPECT_EQ(settings.MailMask, 4);
  EXPECT_STREQ(settings.MailTo, "");
  EXPECT_STREQ(settings.MailPassw, "");
  EXPECT_EQ(settings.WndX, (1280 - 550) / 2);
  EXPECT_EQ(settings.WndY, (1024 - 420) / 2);
  EXPECT_EQ(settings.Wndcx, 550);
  EXPECT_EQ(settings.Wndcy, 420);
  EXPECT_EQ(settings.MsgX, (1280 - 670) / 2);
  EXPECT_EQ(settings.MsgY, (1024 - 230) / 2);
  EXPECT_EQ(settings.Msgcx, 670);
  EXPECT_EQ(settings.Msgcy, 230);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SettingsTest, PositionDefaultsTruncateTowardZero) {
  fake.screenWidth = 1001;
  fake.screenHeight = 199;  // smaller than the windows
  loadSettings();
  EXPECT_EQ(settings.WndX, 225);
  EXPECT_EQ(settings.WndY, -110);  // -221 / 2
  EXPECT_EQ(settings.MsgY, -15);   // -31 / 2
}

TEST_F(SettingsTest, ValuesAreTakenAsReadWithoutRangeChecks) {
  key("CheckInt") = "0";
  key("MaxScanThreads") = "-7";
  key("SendMailInt") = "3000000000";  // past 2^31: whatever the reader answers, unchanged
  key("MailPort") = "abc";
  key("AddNew") = "yes";  // a word is 0, not the default
  key("Restore") = "2";
  key("MsgMask") = "1";
  loadSettings();
  EXPECT_EQ(settings.CheckInt, 0);
  EXPECT_EQ(settings.MaxScanThreads, -7);
  EXPECT_EQ(settings.MailPort, 0);
  EXPECT_FALSE(settings.AddNew);
  EXPECT_TRUE(settings.Restore);
  EXPECT_EQ(settings.MsgMask, 1);
  const std::int32_t big = platform::profileGetInt("Vetrel", "SendMailInt", 30, kPath);
  EXPECT_EQ(settings.SendMailInt, big);

  saveSettings();
  EXPECT_EQ(writtenValue("CheckInt"), "0");
  EXPECT_EQ(writtenValue("MaxScanThreads"), "-7");
  EXPECT_EQ(writtenValue("SendMailInt"), std::to_string(big));
  EXPECT_EQ(writtenValue("AddNew"), "0");
  EXPECT_EQ(writtenValue("Restore"), "1");
}

// The running programs bound what the dialog would refuse, one line per key; the file keeps
// its text until the user sets the value.
TEST_F(SettingsTest, RunningProgramsBoundHandEditedValuesAndKeepTheFileText) {
  const std::string long48 = std::string(36, 'a') + "@example.org";
  for (auto [k, v] : {std::pair{"CheckInt", "0"},
                      {"MaxScanThreads", "99"},
                      {"MailPort", "70000"},
                      {"SendMailInt", "-5"},
                      {"AddNew", "1"},
                      {"BlockNew", "1"},
                      {"MailTo", ""}})
    key(k) = v;
  key("MailTo") = long48;
  loadSettings();
  const std::vector<std::string> lines = boundLoadedSettings();
  const std::vector<std::string> expected = {
      "Параметр CheckInt=0 в quorel.ini вне пределов 2-60; используется CheckInt=2.",
      "Параметр MaxScanThreads=99 в quorel.ini вне пределов 1-16; используется MaxScanThreads=16.",
      "Параметр MailPort=70000 в quorel.ini вне пределов 0-65535; используется MailPort=25.",
      "Параметр SendMailInt=-5 в quorel.ini вне пределов 0-2147483647; используется SendMailInt=0.",
      "Параметры AddNew=1 и BlockNew=1 в quorel.ini нельзя включать одновременно; используется "
      "BlockNew=0: новые адреса пополняют образцы, их MAC не подменяется.",
      "Параметр MailTo=" + long48 + " в quorel.ini длиннее 31 символа; используется MailTo=.",
  };
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(settings.CheckInt, 2);
  EXPECT_FALSE(settings.BlockNew);
  EXPECT_STREQ(settings.MailTo, "");
  settings.MaxScanThreads = 4;  // changed since: written as it is now
  saveSettings();
  for (auto [k, v] : {std::pair{"CheckInt", "0"},
                      {"MaxScanThreads", "4"},
                      {"MailPort", "70000"},
                      {"BlockNew", "1"}})
    EXPECT_EQ(writtenValue(k), v) << k;
  EXPECT_EQ(writtenValue("MailTo"), long48);
  forgetHeldSettings();  // the dialog's OK
  saveSettings();
  EXPECT_EQ(writtenValue("CheckInt"), "2");
  loadSettings();
  EXPECT_TRUE(boundLoadedSettings().empty());
}

TEST_F(SettingsTest, LongTextsAreCutTo31Characters) {
  const std::string forty(40, 'm');
  key("MailTo") = forty;
  key("MailFrom") = forty;
  key("MailServer") = forty;
  key("MailLogin") = forty;
  loadSettings();
  EXPECT_EQ(std::string(settings.MailTo), forty.substr(0, 31));
  EXPECT_EQ(std::string(settings.MailFrom), forty.substr(0, 31));
  EXPECT_EQ(std::string(settings.MailServer), forty.substr(0, 31));
  EXPECT_EQ(std::string(settings.MailLogin), forty.substr(0, 31));
}

TEST_F(SettingsTest, SaveWritesEveryKeyButMsgOnRouteInOneReplacement) {
  key("MsgOnRoute") = "1";
  key("Comment") = "kept";
  loadSettings();
  EXPECT_TRUE(settings.MsgOnRoute);
  settings.MsgOnRoute = false;  // not written back either way
  copyField(settings.MailTo, "admin@example.org");
  saveSettings();
  EXPECT_EQ(fake.profileWrites, 1);
  std::vector<std::string> names;
  for (auto& [k, v] : fake.lastWrittenKeys) names.push_back(k);
  const std::vector<std::string> expected = {
      "AddNew",   "CheckMac",       "Restore",    "AddAddIp",    "BlockNew",    "ShowMsg",
      "WriteLog", "SaveStat",       "RunOnStart", "HideOnRun",   "ScanGetName", "ScanCheckMac",
      "CheckInt", "MaxScanThreads", "MsgToMail",  "MailTo",      "MailFrom",    "MailServer",
      "MailPort", "MailLogin",      "MailPassw",  "SendMailInt", "MsgMask",     "MailMask",
      "WndX",     "WndY",           "Wndcx",      "Wndcy",       "MsgX",        "MsgY",
      "Msgcx",    "Msgcy",          "WatchIpv6"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(writtenValue("MailTo"), "admin@example.org");
  EXPECT_EQ(writtenValue("MailPassw"), "");
  EXPECT_EQ(writtenValue("AddNew"), "1");
  EXPECT_EQ(writtenValue("MsgMask"), "262");
  EXPECT_EQ(key("MsgOnRoute"), "1");
  EXPECT_EQ(key("Comment"), "kept");

  settings = Settings{};
  loadSettings();
  EXPECT_TRUE(settings.MsgOnRoute);
  EXPECT_STREQ(settings.MailTo, "admin@example.org");
}

TEST_F(SettingsTest, PasswordRoundTripsThroughLowerCaseHex) {
  for (const std::string& pass :
       {std::string("s"), std::string("пароль Ab9"), std::string(31, 'Z')}) {
    SCOPED_TRACE(pass);
    settings = Settings{};
    copyField(settings.MailPassw, pass);
    saveSettings();
    const std::string hex = writtenValue("MailPassw");
    // The block covers the text and its zero; the fake adds a two-byte frame.
    EXPECT_EQ(hex.size(), 2 * (pass.size() + 1 + 2));
    EXPECT_EQ(hex.size() % 2, 0u);
    EXPECT_TRUE(std::all_of(hex.begin(), hex.end(), [](char c) {
      return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    })) << hex;
    std::vector<std::uint8_t> expectedInput(pass.begin(), pass.end());
    expectedInput.push_back(0);
    EXPECT_EQ(fake.lastProtectInput, expectedInput);
    const char entropy[] = "KOVALIN_TREZ_PORMA";
    EXPECT_EQ(fake.lastEntropy, std::vector<std::uint8_t>(entropy, entropy + 19));

    settings = Settings{};
    loadSettings();
    EXPECT_EQ(std::string(settings.MailPassw), pass);
  }
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SettingsTest, UnprotectStopsAtTheFirstPairThatIsNotHex) {
  const std::string hex = protectPassword("abc");
  char out[32];
  ASSERT_TRUE(unprotectPassword((hex + "zz0102").c_str(), out));
  EXPECT_STREQ(out, "abc");
  std::string upper = hex;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ASSERT_TRUE(unprotectPassword(upper.c_str(), out));
  EXPECT_STREQ(out, "abc");
}

TEST_F(SettingsTest, UndecryptablePasswordIsReportedAndStaysEmpty) {
  key("MailPassw") = "zz";  // decodes to nothing at all
  loadSettings();
  EXPECT_STREQ(settings.MailPassw, "");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].first, "Ошибка дешифрования пароля почты.");
  EXPECT_EQ(ui.boxes[0].second, MessageIcon::Error);

  ui.boxes.clear();
  key("MailPassw") = protectPassword("secret");
  fake.unprotectFails = true;
  loadSettings();
  EXPECT_STREQ(settings.MailPassw, "");
  EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(SettingsTest, ProtectionFailureWritesAnEmptyPassword) {
  key("MailPassw") = "0102aa";
  copyField(settings.MailPassw, "secret");
  fake.protectFails = true;
  saveSettings();
  EXPECT_EQ(writtenValue("MailPassw"), "");
  EXPECT_EQ(key("MailPassw"), "");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].first, "Ошибка шифрования пароля почты.");
  EXPECT_EQ(ui.boxes[0].second, MessageIcon::Error);
}

TEST_F(SettingsTest, UnwritableFileIsNotReported) {
  fake.profileWriteFails = true;
  copyField(settings.MailTo, "x");
  saveSettings();
  EXPECT_EQ(fake.profileWrites, 1);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_STREQ(settings.MailTo, "x");
}

TEST_F(SettingsTest, WindowRectanglesComeFromTheHooksWhenTheyAnswer) {
  settings.WndX = 1;
  settings.WndY = 2;
  settings.Wndcx = 3;
  settings.Wndcy = 4;
  settings.MsgX = 5;
  scriptedRect = {10, 20, 610, 470};
  readMainWindowRect = readRect;
  saveSettings();  // the message window has no hook: its fields stay
  EXPECT_EQ(settings.WndX, 10);
  EXPECT_EQ(settings.WndY, 20);
  EXPECT_EQ(settings.Wndcx, 600);
  EXPECT_EQ(settings.Wndcy, 450);
  EXPECT_EQ(settings.MsgX, 5);
  EXPECT_EQ(writtenValue("Wndcy"), "450");
  EXPECT_EQ(writtenValue("MsgX"), "5");

  // A window placed from extreme values in the file: sizes are clamped, never overflowed.
  scriptedRect = {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN};
  saveSettings();
  EXPECT_EQ(settings.Wndcx, INT32_MAX);
  EXPECT_EQ(settings.Wndcy, INT32_MIN);

  rectAnswer = false;
  readMessageWindowRect = readRect;
  scriptedRect = {-100, -100, 0, 0};
  saveSettings();
  EXPECT_EQ(settings.WndX, INT32_MIN);
  EXPECT_EQ(settings.MsgX, 5);
}

TEST_F(SettingsTest, PathsComeFromTheExecutableDirectory) {
  fake.exePath = "C:\\Program Files\\Vetrel\\vetrel.exe";
  initPaths();
  EXPECT_EQ(exePath, "C:\\Program Files\\Vetrel\\vetrel.exe");
  EXPECT_EQ(iniPath, "C:\\Program Files\\Vetrel\\quorel.ini");
  EXPECT_EQ(fake.chdirs, std::vector<std::string>{"C:\\Program Files\\Vetrel"});

  setAutostart(true);
  setAutostart(false);
  ASSERT_EQ(fake.autostartCalls.size(), 2u);
  EXPECT_EQ(fake.autostartCalls[0], std::make_pair(true, exePath));
  EXPECT_EQ(fake.autostartCalls[1], std::make_pair(false, exePath));
}

TEST_F(SettingsTest, PathWithoutBackslashLeavesNoSettingsFile) {
  fake.exePath = "vetrel.exe";
  initPaths();
  EXPECT_TRUE(iniPath.empty());
  EXPECT_TRUE(fake.chdirs.empty());
  copyField(settings.MailTo, "x");
  saveSettings();
  EXPECT_EQ(fake.profileWrites, 0);
  loadSettings();
  EXPECT_STREQ(settings.MailTo, "");
  EXPECT_EQ(settings.WndX, (1280 - 550) / 2);
}

TEST_F(SettingsTest, ProgramInADriveRootKeepsTheRoot) {
  fake.exePath = "C:\\vetrel.exe";
  initPaths();
  EXPECT_EQ(iniPath, "C:\\quorel.ini");
  EXPECT_EQ(fake.chdirs, std::vector<std::string>{"C:\\"});
}

TEST_F(SettingsTest, ConsoleDirectoryIsMadeAbsolute) {
  EXPECT_TRUE(initPathsInDirectory("/var/lib/vetrel/"));
  EXPECT_EQ(iniPath, "/var/lib/vetrel/quorel.ini");
  EXPECT_EQ(fake.chdirs.back(), "/var/lib/vetrel");

  EXPECT_TRUE(initPathsInDirectory("data"));
  const std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(iniPath, cwd + "/data/quorel.ini");
  EXPECT_EQ(fake.chdirs.back(), cwd + "/data");
}

}  // namespace

TEST_F(SettingsTest, UnreadableExecutablePathKeepsTheDefaultsAndWritesNoEmptyRunValue) {
  fake.exePath = "";  // what a path of 260 characters or more gives
  initPaths();
  loadSettings();
  EXPECT_EQ(settings.WndX, (1280 - 550) / 2);
  EXPECT_EQ(settings.MsgY, (1024 - 230) / 2);
  setAutostart(true);
  EXPECT_TRUE(fake.autostartCalls.empty());
  setAutostart(false);  // removing the entry needs no path
  EXPECT_EQ(fake.autostartCalls, (std::vector<std::pair<bool, std::string>>{{false, ""}}));
}
