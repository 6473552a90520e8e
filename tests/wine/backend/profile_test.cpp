// The profile file through the system's profile API, and the settings over it.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/settings_platform.h"
#include "platform/win32/unique_resource.h"
#include "settings/settings.h"
#include "test_support.h"

namespace {

const char* kSection = "Vetrel";

std::string get(const std::string& ini, const char* key, std::uint32_t capacity = 64) {
  char out[64] = "untouched";
  platform::profileGetString(kSection, key, "dflt", out, capacity, ini.c_str());
  return out;
}

}  // namespace

TEST(Profile, MissingFileOrKeyGivesTheDefault) {
  ScratchDirectory dir;
  const std::string missing = dir.file("missing.ini");
  EXPECT_EQ(platform::profileGetInt(kSection, "CheckInt", 5, missing.c_str()), 5);
  EXPECT_EQ(get(missing, "MailTo"), "dflt");
  EXPECT_FALSE(fileExists(missing));  // reading never creates the file

  const std::string ini = dir.file("quorel.ini");
  ASSERT_TRUE(writeWholeFile(ini, "[Other]\r\nCheckInt=9\r\n[Vetrel]\r\nAddNew=0\r\n"));
  EXPECT_EQ(platform::profileGetInt(kSection, "CheckInt", 5, ini.c_str()), 5);
  EXPECT_EQ(platform::profileGetInt(kSection, "AddNew", 1, ini.c_str()), 0);
}

TEST(Profile, IntegersAreReadAsTheirLeadingNumber) {
  ScratchDirectory dir;
  const std::string ini = dir.file("quorel.ini");
  ASSERT_TRUE(writeWholeFile(ini,
                             "[Vetrel]\r\nBool=2\r\nWord=yes\r\nZero=0\r\nLeft=-35\r\n"
                             "Tail=12abc\r\nEmpty=\r\n"));
  const char* p = ini.c_str();
  EXPECT_EQ(platform::profileGetInt(kSection, "Bool", 0, p), 2);
  EXPECT_EQ(platform::profileGetInt(kSection, "Word", 7, p), 0);  // not its default
  EXPECT_EQ(platform::profileGetInt(kSection, "Zero", 5, p), 0);
  EXPECT_EQ(platform::profileGetInt(kSection, "Left", 0, p), -35);  // a window left of the screen
  EXPECT_EQ(platform::profileGetInt(kSection, "Tail", 0, p), 12);
  EXPECT_EQ(platform::profileGetInt(kSection, "Empty", 4, p), 4);  // empty counts as missing
}

TEST(Profile, StringsAreCutToCapacityLessOne) {
  ScratchDirectory dir;
  const std::string ini = dir.file("quorel.ini");
  const std::string forty(40, 'm');
  ASSERT_TRUE(writeWholeFile(ini, "[Vetrel]\r\nMailTo=" + forty + "\r\nMailFrom=\r\n"));
  EXPECT_EQ(get(ini, "MailTo", 32), forty.substr(0, 31));
  EXPECT_EQ(get(ini, "MailFrom"), "");  // present but empty: not the default
}

TEST(Profile, WriteKeysCreatesTheFileAndItsSection) {
  ScratchDirectory dir;
  const std::string ini = dir.file("quorel.ini");
  ASSERT_TRUE(
      platform::profileWriteKeys(kSection, {{"AddNew", "1"}, {"MailTo", "a@b.c"}}, ini.c_str()));
  EXPECT_EQ(readWholeFile(ini), "[Vetrel]\r\nAddNew=1\r\nMailTo=a@b.c\r\n");
  EXPECT_FALSE(fileExists(ini + ".tmp"));
}

TEST(Profile, WriteKeysUpdatesInPlaceAndKeepsEverythingElse) {
  ScratchDirectory dir;
  const std::string ini = dir.file("quorel.ini");
  ASSERT_TRUE(writeWholeFile(ini,
                             "; kept comment\r\n[Vetrel]\r\nCheckInt=5\r\nMsgOnRoute=1\r\n"
                             "AddNew=0\r\n[Other]\r\nKey=value\r\n"));
  ASSERT_TRUE(
      platform::profileWriteKeys(kSection, {{"AddNew", "1"}, {"CheckInt", "9"}}, ini.c_str()));
  EXPECT_EQ(readWholeFile(ini),
            "; kept comment\r\n[Vetrel]\r\nCheckInt=9\r\nMsgOnRoute=1\r\nAddNew=1\r\n"
            "[Other]\r\nKey=value\r\n");
  // The replaced file is what the profile API reads next, not a cached copy.
  EXPECT_EQ(platform::profileGetInt(kSection, "CheckInt", 0, ini.c_str()), 9);
  ASSERT_TRUE(platform::profileWriteKeys(kSection, {{"CheckInt", "11"}}, ini.c_str()));
  EXPECT_EQ(platform::profileGetInt(kSection, "CheckInt", 0, ini.c_str()), 11);
}

TEST(Profile, FailedWriteLeavesTheOldFileWhole) {
  ScratchDirectory dir;
  const std::string ini = dir.file("quorel.ini");
  const std::string before = "[Vetrel]\r\nCheckInt=5\r\n";
  ASSERT_TRUE(writeWholeFile(ini, before));
  // A file that is there but cannot be read is left alone rather than replaced.
  {
    UniqueFileHandle held(CreateFileA(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
    EXPECT_FALSE(platform::profileWriteKeys(kSection, {{"CheckInt", "9"}}, ini.c_str()));
  }
  EXPECT_EQ(readWholeFile(ini), before);
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((ini + ".tmp*").c_str(), &found);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE);  // no temporary file left
  if (find != INVALID_HANDLE_VALUE) FindClose(find);

  const std::string nowhere = dir.file("no such dir\\quorel.ini");
  EXPECT_FALSE(platform::profileWriteKeys(kSection, {{"CheckInt", "9"}}, nowhere.c_str()));
}

TEST(Profile, LeftoverTemporaryFileIsNotMergedIn) {
  ScratchDirectory dir;
  const std::string ini = dir.file("quorel.ini");
  ASSERT_TRUE(writeWholeFile(ini + ".tmp", "[Vetrel]\r\nStale=1\r\n"));
  ASSERT_TRUE(platform::profileWriteKeys(kSection, {{"AddNew", "0"}}, ini.c_str()));
  EXPECT_EQ(readWholeFile(ini), "[Vetrel]\r\nAddNew=0\r\n");
  EXPECT_FALSE(fileExists(ini + ".tmp"));  // an earlier version's leftover is cleared away
}

// The profile API alone would take a bare name from the Windows directory, the rename from
// the current one.
TEST(Profile, BareFileNameIsTheCurrentDirectorys) {
  ScratchDirectory dir;
  char before[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
  EXPECT_TRUE(platform::profileWriteKeys(kSection, {{"CheckInt", "8"}}, "bare.ini"));
  EXPECT_EQ(platform::profileGetInt(kSection, "CheckInt", 0, "bare.ini"), 8);
  SetCurrentDirectoryA(before);
  EXPECT_EQ(readWholeFile(dir.file("bare.ini")), "[Vetrel]\r\nCheckInt=8\r\n");
}

TEST(Settings, LoadAndSaveOverTheProfileApi) {
  ScratchDirectory dir;
  iniPath = dir.file("quorel.ini");
  const std::string forty(40, 'x');
  ASSERT_TRUE(writeWholeFile(iniPath,
                             "[Vetrel]\r\nAddNew=2\r\nCheckMac=word\r\nCheckInt=0\r\n"
                             "MailTo=" +
                                 forty + "\r\nMsgOnRoute=1\r\nHandMade=kept\r\n"));
  loadSettings();
  EXPECT_TRUE(settings.AddNew);
  EXPECT_FALSE(settings.CheckMac);
  EXPECT_EQ(settings.CheckInt, 0);
  EXPECT_EQ(std::string(settings.MailTo), forty.substr(0, 31));
  EXPECT_TRUE(settings.MsgOnRoute);
  EXPECT_EQ(settings.MsgMask, 262);
  EXPECT_EQ(settings.MailMask, 4);
  EXPECT_EQ(settings.MailPassw[0], 0);

  settings.CheckInt = 7;
  saveSettings();
  const std::string text = readWholeFile(iniPath);
  EXPECT_NE(text.find("AddNew=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("CheckMac=0\r\n"), std::string::npos);
  EXPECT_NE(text.find("CheckInt=7\r\n"), std::string::npos);
  EXPECT_NE(text.find("MailPassw=\r\n"), std::string::npos);
  EXPECT_NE(text.find("MsgOnRoute=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("HandMade=kept\r\n"), std::string::npos);
  EXPECT_NE(text.find("Msgcy=230\r\n"), std::string::npos);
  iniPath.clear();
}

namespace {

// The settings file's keys, each with a value of its own per writer and round.
std::vector<std::pair<std::string, std::string>> roundKeys(int writer, int round) {
  std::vector<std::pair<std::string, std::string>> keys;
  for (int k = 0; k < 32; ++k)
    keys.emplace_back("Key" + std::to_string(k), std::to_string(writer * 1000 + round));
  return keys;
}

int keyLines(const std::string& text) {
  int n = 0;
  for (std::size_t at = text.find('='); at != std::string::npos; at = text.find('=', at + 1)) ++n;
  return n;
}

}  // namespace

// Two writers saving at once, and a reader in between, never see a file with fewer keys
// than a save was given: every save leaves all of its keys or none, and a hand-made key
// survives them all.
TEST(Profile, SavesUnderTwoWritersNeverLoseKeys) {
  ScratchDirectory dir;
  const std::string ini = dir.file("quorel.ini");
  ASSERT_TRUE(writeWholeFile(ini, "[Vetrel]\r\nHandMade=kept\r\n"));
  std::atomic<int> failures{0}, shortFiles{0};
  auto writer = [&](int id) {
    for (int round = 0; round < 40; ++round) {
      if (!platform::profileWriteKeys(kSection, roundKeys(id, round), ini.c_str())) ++failures;
      const std::string text = readWholeFile(ini);
      if (!text.empty() && keyLines(text) < 33) ++shortFiles;  // empty: not readable just then
    }
  };
  std::thread a(writer, 1), b(writer, 2);
  a.join();
  b.join();
  EXPECT_EQ(shortFiles.load(), 0);
  EXPECT_LT(failures.load(), 80);  // a rename may lose to the other writer's, not every one
  const std::string text = readWholeFile(ini);
  EXPECT_EQ(keyLines(text), 33) << text;
  EXPECT_NE(text.find("HandMade=kept\r\n"), std::string::npos);
}
