// The ini layer: lookups and writes as the Windows profile calls make them.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../../unit/file_size_limit.h"
#include "platform/ini_text.h"
#include "platform/settings_platform.h"

namespace {

std::string find(const char* file, const char* section, const char* key) {
  std::string v;
  return iniFind(parseIniText(file), section, key, v) ? v : "<none>";
}

TEST(IniText, LookupIsCaseInsensitiveTrimmedAndUnquoted) {
  const char* file =
      "; comment=1\r\n"
      "top=outside\r\n"
      "[ vetrel ]\r\n"
      "  CHECKINT =  7  \r\n"
      "Quoted=\"a b \"\r\n"
      "Single='x'\r\n"
      "Half=\"x\n"
      "NoValue\n"
      "Empty=\n"
      "checkint=second\n"
      "[Other]\n"
      "CheckInt=9";
  EXPECT_EQ(find(file, "Vetrel", "CheckInt"), "7");  // the first one counts
  EXPECT_EQ(find(file, "Vetrel", "quoted"), "a b ");
  EXPECT_EQ(find(file, "Vetrel", "Single"), "x");
  EXPECT_EQ(find(file, "Vetrel", "Half"), "\"x");
  EXPECT_EQ(find(file, "Vetrel", "NoValue"), "");
  EXPECT_EQ(find(file, "Vetrel", "Empty"), "");
  EXPECT_EQ(find(file, "OTHER", "checkint"), "9");  // last line without a line end
  EXPECT_EQ(find(file, "Vetrel", "top"), "<none>");
  EXPECT_EQ(find(file, "Vetrel", "; comment"), "<none>");
  EXPECT_EQ(find(file, "Missing", "CheckInt"), "<none>");
}

TEST(IniText, WritesUpdateInPlaceAppendToSectionAndKeepTheRest) {
  IniText t = parseIniText("; kept\n[Vetrel]\nAddNew=1\n; note\nMsgOnRoute=1\n\n[Other]\nx=y\n");
  iniSet(t, "VETREL", "addnew", "0");
  iniSet(t, "Vetrel", "CheckInt", "5");
  iniSet(t, "Other", "z", "w");
  iniSet(t, "New", "k", "v\r\ninjected=1");
  EXPECT_EQ(iniTextBytes(t),
            "; kept\r\n[Vetrel]\r\nAddNew=0\r\n; note\r\nMsgOnRoute=1\r\nCheckInt=5\r\n\r\n"
            "[Other]\r\nx=y\r\nz=w\r\n[New]\r\nk=v\r\n");
  IniText empty = parseIniText("");
  iniSet(empty, "Vetrel", "A", "1");
  EXPECT_EQ(iniTextBytes(empty), "[Vetrel]\r\nA=1\r\n");
}

TEST(IniText, NumbersAsTheProfileReaderTakesThem) {
  EXPECT_EQ(iniParseInt("42"), 42);
  EXPECT_EQ(iniParseInt("-17"), -17);
  EXPECT_EQ(iniParseInt("+8"), 8);
  EXPECT_EQ(iniParseInt("12abc"), 12);
  EXPECT_EQ(iniParseInt("abc"), 0);
  EXPECT_EQ(iniParseInt("-"), 0);
  EXPECT_EQ(iniParseInt("0x10"), 0);
  EXPECT_EQ(iniParseInt("4294967297"), 1);  // wraps at 32 bits
}

class ProfileFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/linuxbe-ini-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    path_ = dir_ + "/quorel.ini";
  }
  void TearDown() override {
    unlink(path_.c_str());
    unlink((path_ + ".tmp").c_str());
    rmdir(dir_.c_str());
  }
  void write(const std::string& s) { std::ofstream(path_, std::ios::binary) << s; }
  std::string read() {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string dir_, path_;
};

TEST_F(ProfileFile, MissingFileAndKeysGiveTheDefaults) {
  EXPECT_EQ(platform::profileGetInt("Vetrel", "CheckInt", 5, path_.c_str()), 5);
  char out[8] = "xxxxxxx";
  platform::profileGetString("Vetrel", "MailTo", "def", out, sizeof out, path_.c_str());
  EXPECT_STREQ(out, "def");
  write("[Vetrel]\nCheckInt=0\nBool=word\nMsgMask=\nMailTo=0123456789abcdef\n");
  EXPECT_EQ(platform::profileGetInt("Vetrel", "CheckInt", 5, path_.c_str()), 0);
  EXPECT_EQ(platform::profileGetInt("Vetrel", "Bool", 1, path_.c_str()), 0);
  EXPECT_EQ(platform::profileGetInt("Vetrel", "MsgMask", 262, path_.c_str()), 262);
  EXPECT_EQ(platform::profileGetInt("Vetrel", "Absent", -3, path_.c_str()), -3);
  platform::profileGetString("Vetrel", "MailTo", "", out, sizeof out, path_.c_str());
  EXPECT_STREQ(out, "0123456");  // capacity - 1
  platform::profileGetString("Vetrel", "MailTo", "", out, 1, path_.c_str());
  EXPECT_STREQ(out, "");
}

TEST_F(ProfileFile, WriteCreatesReplacesAndLeavesNoTemporary) {
  ASSERT_TRUE(
      platform::profileWriteKeys("Vetrel", {{"AddNew", "1"}, {"MailTo", "a@b"}}, path_.c_str()));
  EXPECT_EQ(read(), "[Vetrel]\r\nAddNew=1\r\nMailTo=a@b\r\n");
  write("[Vetrel]\nMsgOnRoute=1\nAddNew=1\n; hand-made\n");
  ASSERT_TRUE(
      platform::profileWriteKeys("Vetrel", {{"AddNew", "0"}, {"CheckInt", "9"}}, path_.c_str()));
  EXPECT_EQ(read(), "[Vetrel]\r\nMsgOnRoute=1\r\nAddNew=0\r\n; hand-made\r\nCheckInt=9\r\n");
  EXPECT_EQ(platform::profileGetInt("Vetrel", "MsgOnRoute", 0, path_.c_str()), 1);
  EXPECT_NE(access((path_ + ".tmp").c_str(), F_OK), 0);
  // A directory that cannot hold the file: false, nothing thrown.
  EXPECT_FALSE(
      platform::profileWriteKeys("Vetrel", {{"A", "1"}}, (dir_ + "/no/such/dir/x.ini").c_str()));
  // A path that exists but is no readable file stays untouched.
  EXPECT_FALSE(platform::profileWriteKeys("Vetrel", {{"A", "1"}}, dir_.c_str()));
}

std::vector<std::pair<std::string, std::string>> manyKeys(int writer, int round) {
  std::vector<std::pair<std::string, std::string>> keys;
  for (int k = 0; k < 32; ++k)
    keys.emplace_back("Key" + std::to_string(k), std::to_string(writer * 1000 + round));
  return keys;
}

std::size_t keyLines(const std::string& text) {
  std::size_t n = 0;
  for (char c : text) n += c == '=';
  return n;
}

}  // namespace

// A save leaves every key it was given, and every key the file had, or changes nothing: a
// write that fails half-way, and two writers at once, never leave a shorter file.
TEST_F(ProfileFile, SavesNeverLeaveFewerKeysThanGiven) {
  write("[Vetrel]\r\nHandMade=kept\r\n");
  ASSERT_TRUE(platform::profileWriteKeys("Vetrel", manyKeys(0, 0), path_.c_str()));
  const std::string whole = read();
  ASSERT_EQ(keyLines(whole), 33u);
  {
    FileSizeLimit full(100);  // the new text is some 400 bytes: its write stops in the middle
    EXPECT_FALSE(platform::profileWriteKeys("Vetrel", manyKeys(0, 1), path_.c_str()));
  }
  EXPECT_EQ(read(), whole);
  int left = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) left += entry.path() != path_;
  EXPECT_EQ(left, 0);  // no temporary file

  std::atomic<int> shortFiles{0};
  auto writer = [&](int id) {
    for (int round = 0; round < 100; ++round) {
      platform::profileWriteKeys("Vetrel", manyKeys(id, round), path_.c_str());
      if (keyLines(read()) != 33) ++shortFiles;
    }
  };
  std::thread a(writer, 1), b(writer, 2);
  a.join();
  b.join();
  EXPECT_EQ(shortFiles.load(), 0);
  EXPECT_NE(read().find("HandMade=kept\r\n"), std::string::npos);

  // The merge itself refuses a text that would not read back with every key.
  std::string merged;
  EXPECT_TRUE(mergeIniKeys("[Vetrel]\r\nA=1\r\n", "Vetrel", {{"B", " 2 "}}, merged));
  EXPECT_EQ(merged, "[Vetrel]\r\nA=1\r\nB= 2 \r\n");
  EXPECT_FALSE(mergeIniKeys("[Vetrel]\r\n", "Vetrel", {{"[Other]", "1"}}, merged));
  EXPECT_FALSE(mergeIniKeys("[Vetrel]\r\n", "Vetrel", {{"", "1"}}, merged));
}
