#include "arp/samples.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "address_fixture.h"
#include "base/text_field.h"
#include "failing_allocations.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "file_size_limit.h"
#include "platform/settings_platform.h"
#include "route/adapters.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace fs = std::filesystem;

namespace {

AddressEntry sample(const char* ip, const char* mac, const char* name = "") {
  return addressEntry(ip, mac, "", name);
}

// "ip mac name" of every sample.
std::vector<std::string> loaded() {
  std::vector<std::string> out;
  for (const AddressEntry& e : SampleList)
    out.push_back(std::string(e.ipText) + "|" + e.macText + "|" + e.hostName);
  return out;
}

class Samples : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    installUiRecorder();
    settings = Settings{};
    SampleList.clear();
    SelectedRow = -1;
    iniPath = "samples-test.ini";  // where the stamp of what was told is kept
    platform::fakeProfile(iniPath).clear();
    loadSamples();  // no file: a fresh start that may save
  }
  void TearDown() override {
    std::filesystem::remove("samples.dat");
    loadSamples();  // nothing of this test's file is kept for the next
    SampleList.clear();
    iniPath.clear();
  }

  // Journal texts since the last call, without stamps and line ends.
  static std::vector<std::string> events() {
    std::vector<std::string> out;
    for (const std::string& l : ui.windowLines) out.push_back(l.substr(9, l.size() - 11));
    ui.windowLines.clear();
    return out;
  }
  ScratchDir dir;
};

}  // namespace

TEST_F(Samples, SaveWritesTheExactFormatAndLoadReadsItBack) {
  SampleList = {sample("10.0.0.1", "00-1a-2b-3c-4d-5e", "router two"), sample("10.0.0.*", "*", ""),
                sample("192.168.1.1", "00-1A-*", "\xcf\xea")};
  SampleList[0].typeText[0] = '\xe4';  // not stored
  saveSamples();
  EXPECT_EQ(readFile("samples.dat"),
            "10.0.0.1\t00-1a-2b-3c-4d-5e\trouter two\r\n"
            "10.0.0.*\t*\t\r\n"
            "192.168.1.1\t00-1A-*\t\xcf\xea\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()),
            1);  // no temporary

  SampleList.clear();
  loadSamples();
  EXPECT_EQ(loaded(), (std::vector<std::string>{"10.0.0.1|00-1a-2b-3c-4d-5e|router two",
                                                "10.0.0.*|*|", "192.168.1.1|00-1A-*|\xcf\xea"}));
  EXPECT_STREQ(SampleList[0].typeText, "");

  // An empty list still rewrites the file, with no lines.
  SampleList.clear();
  saveSamples();
  EXPECT_TRUE(std::filesystem::exists("samples.dat"));
  EXPECT_EQ(readFile("samples.dat"), "");
}

TEST_F(Samples, MissingFileChangesNothing) {
  SampleList = {sample("1.1.1.1", "m")};
  loadSamples();
  EXPECT_EQ(SampleList.size(), 1u);
}

// Lines that hold no sample are told with their number and kept: every rewrite puts them
// back byte for byte, in their place among the samples.
TEST_F(Samples, TokensLineEndsNulAndLinesThatHoldNoSample) {
  const std::string ip25(25, '9'), name70(70, 'n');
  const std::string kept[] = {"10.0.0.2",                            // one token
                              std::string("10.0.0.6 \0 m6", 13),     // one before the NUL
                              "\x01\xff\x80 \xfe",                   // no address
                              ip25 + " 2-0-0-0-0-8 " + name70,       // 25 digits are no address
                              "10.0.0.7\tZZ-00-00-00-00-07\ttypo"};  // no MAC, no pattern
  writeFile("samples.dat",
            "10.0.0.1\t2-0-0-0-0-1\tn1\r\n" + kept[0] + "\r\n" +
                "  010.000.000.003   02:00:00:00:00:03  n3 extra\n" +  // LF only, zeros
                "10.0.0.4\r0200.0000.0004\rn4\r\n" +                   // lone CRs separate
                std::string("10.0.0.5\t020000000005\0hidden\tx\r\n", 32) + kept[1] + "\r\n" +
                kept[2] + "\r\n\r\n\t \r\n" + kept[3] + "\r\n" + kept[4] + "\r\n" +
                "10.0.0.9 *9");  // no final line end
  loadSamples();
  EXPECT_EQ(loaded(), (std::vector<std::string>{
                          "10.0.0.1|2-0-0-0-0-1|n1", "10.0.0.3|02:00:00:00:00:03|n3 extra",
                          "10.0.0.4|0200.0000.0004|n4", "10.0.0.5|020000000005|", "10.0.0.9|*9|"}));
  const std::vector<std::string> told = events();
  ASSERT_EQ(told.size(), 5u);
  EXPECT_EQ(told[0],
            "Ошибка в файле samples.dat, строка 2 (нет MAC-адреса): 10.0.0.2. Строка оставлена "
            "как есть и не используется.");
  EXPECT_NE(told[4].find("строка 11 (неверный MAC-адрес): 10.0.0.7 ZZ-00-00-00-00-07 typo."),
            std::string::npos);
  removeSample(1);
  saveSamples();
  EXPECT_EQ(readFile("samples.dat"),
            "10.0.0.1\t2-0-0-0-0-1\tn1\r\n" + kept[0] + "\r\n10.0.0.4\t0200.0000.0004\tn4\r\n" +
                "10.0.0.5\t020000000005\t\r\n" + kept[1] + "\r\n" + kept[2] + "\r\n" + kept[3] +
                "\r\n" + kept[4] + "\r\n10.0.0.9\t*9\t\r\n");
}

TEST_F(Samples, HostNameIsTheRestOfTheLine) {
  writeFile("samples.dat",
            "10.0.0.3\t*3\t  two  inner  blanks \t \r\n"  // ends trimmed
            "10.0.0.4 \t *4 \t\r\n");                     // IP MAC TAB: no name
  loadSamples();
  EXPECT_EQ(loaded(), (std::vector<std::string>{"10.0.0.3|*3|two  inner  blanks", "10.0.0.4|*4|"}));
}

TEST_F(Samples, LongLinesAreReadWithTheUsualCutsAndReadingGoesOn) {
  const std::string pad(103 - 12, 'x');  // "1.1.1.1 *1 " + pad... = 103 characters
  const std::string line103 = "1.1.1.1 *1 " + pad + "y";
  ASSERT_EQ(line103.size(), 103u);
  const std::string line104 = line103 + "z";
  const std::string huge = "4.4.4.4\t*4\t" + std::string(100000, 'h');

  writeFile("samples.dat", line103 + "\r\n" + line103 + "\n" + "2.2.2.2 *2\r\n" + line104 + "\r\n" +
                               "3.3.3.3 *3\r\n" + huge + "\r\n" + std::string(500, '9') + " *\r\n" +
                               std::string(5000, '9') + " *\r\n" +  // kept, as far as it is read
                               "5.5.5.5 *5");
  loadSamples();
  EXPECT_EQ(loaded(),
            (std::vector<std::string>{"1.1.1.1|*1|" + std::string(63, 'x'),
                                      "1.1.1.1|*1|" + std::string(63, 'x'), "2.2.2.2|*2|",
                                      "1.1.1.1|*1|" + std::string(63, 'x'), "3.3.3.3|*3|",
                                      "4.4.4.4|*4|" + std::string(63, 'h'), "5.5.5.5|*5|"}));

  // Nothing is lost at the next save.
  saveSamples();
  SampleList.clear();
  loadSamples();
  EXPECT_EQ(SampleList.size(), 7u);

  // A lone CR is part of the line, so CR-only line ends make one line; its name is the rest.
  SampleList.clear();
  writeFile("samples.dat", "5.5.5.5\t*5\r6.6.6.6\t*6\r");
  loadSamples();
  EXPECT_EQ(loaded(), std::vector<std::string>{"5.5.5.5|*5|6.6.6.6\t*6"});
}

TEST_F(Samples, TenMegabyteFiles) {
  std::string many;
  many.reserve(10u << 20);
  int lines = 0;
  while (many.size() < (10u << 20)) {
    many += "10." + std::to_string(lines % 250) + ".0.1\t00-11-22-33-44-55\thost\r\n";
    ++lines;
  }
  writeFile("samples.dat", many);
  loadSamples();
  EXPECT_EQ(SampleList.size(), static_cast<std::size_t>(lines));

  SampleList.clear();
  writeFile("samples.dat", std::string(10u << 20, 'a'));  // one line without an end
  loadSamples();
  EXPECT_TRUE(SampleList.empty());

  std::string noise(10u << 20, 0);
  std::uint32_t x = 12345;
  for (char& c : noise) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  writeFile("samples.dat", noise);
  loadSamples();  // whatever it reads, it stays in its buffers
  for (const AddressEntry& e : SampleList) {
    EXPECT_LE(fieldLength(e.ipText), 19u);
    EXPECT_LE(fieldLength(e.hostName), 63u);
  }
}

TEST_F(Samples, FailedSaveKeepsTheOldFile) {
  const char* const kOld = "10.0.0.2\t02-00-00-00-00-02\told\r\n";
  writeFile("samples.dat", kOld);
  SampleList = {sample("1.1.1.1", "m")};
  fake.replaceFails = true;
  saveSamples();
  EXPECT_EQ(readFile("samples.dat"), kOld);
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);

  // A full disk: the temporary file cannot be written whole.
  fake.replaceFails = false;
  {
    FileSizeLimit full(4);
    saveSamples();
  }
  EXPECT_EQ(readFile("samples.dat"), kOld);
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
  saveSamples();  // the file's sample came from elsewhere: it is kept
  EXPECT_EQ(readFile("samples.dat"), std::string("1.1.1.1\tm\t\r\n") + kOld);
}

TEST_F(Samples, PlantedTemporaryNameIsNeverWrittenThrough) {
  // A monitor running as root must not overwrite what a link planted beside its file names.
  writeFile("victim", "precious");
  fs::create_symlink("victim", "samples.dat.tmp");
  SampleList = {sample("1.1.1.1", "m")};
  saveSamples();
  EXPECT_EQ(readFile("victim"), "precious");
  EXPECT_TRUE(fs::is_symlink("samples.dat.tmp"));
  EXPECT_FALSE(fs::is_symlink("samples.dat"));
  EXPECT_EQ(readFile("samples.dat"), "1.1.1.1\tm\t\r\n");
  EXPECT_EQ(fake.tempFilesCreated, 1);
}

TEST_F(Samples, FileThatCannotBeReadIsNeverReplaced) {
  // Present but not readable (mode 000 for another user; here a directory, which opens but
  // does not read).
  fs::create_directory("samples.dat");
  loadSamples();
  SampleList = {sample("1.1.1.1", "m")};
  saveSamples();
  saveSamples();
  EXPECT_EQ(events(), std::vector<std::string>{
                          "Ошибка чтения файла samples.dat. Файл не будет перезаписан."});
  EXPECT_TRUE(fs::is_directory("samples.dat"));
  EXPECT_EQ(fake.tempFilesCreated, 0);

  // A missing file is no reason to keep anything: the next start saves again.
  fs::remove_all("samples.dat");
  loadSamples();
  saveSamples();
  EXPECT_EQ(readFile("samples.dat"), "1.1.1.1\tm\t\r\n");
  EXPECT_TRUE(events().empty());
}

TEST_F(Samples, AddRemoveAndMove) {
  EXPECT_EQ(addSample(sample("1.1.1.1", "a", "one")), 0);
  EXPECT_EQ(addSample(sample("2.2.2.2", "b")), 1);
  EXPECT_EQ(addSample(sample("1.1.1.1", "c")), -1);      // same IP text
  EXPECT_EQ(addSample(sample("1.1.1.*", "c")), 2);       // a pattern is just another text
  EXPECT_EQ(addSample(sample("001.1.01.1 ", "d")), -1);  // the same address written otherwise
  EXPECT_EQ(SampleList.size(), 3u);
  EXPECT_STREQ(SampleList[0].hostName, "one");

  SelectedRow = -1;
  moveSampleUp();
  moveSampleDown();
  EXPECT_STREQ(SampleList[0].ipText, "1.1.1.1");
  SelectedRow = 0;
  moveSampleUp();
  EXPECT_EQ(SelectedRow, 0);
  moveSampleDown();
  EXPECT_EQ(SelectedRow, 1);
  EXPECT_STREQ(SampleList[1].ipText, "1.1.1.1");
  moveSampleDown();
  EXPECT_EQ(SelectedRow, 2);
  moveSampleDown();  // the last row stays
  EXPECT_EQ(SelectedRow, 2);
  moveSampleUp();
  EXPECT_EQ(SelectedRow, 1);
  EXPECT_STREQ(SampleList[2].ipText, "1.1.1.*");
  SelectedRow = 7;  // beyond the list: nothing moves
  moveSampleUp();
  moveSampleDown();
  EXPECT_EQ(SelectedRow, 7);

  removeSample(0);
  removeSample(5);
  removeSample(-1);
  ASSERT_EQ(SampleList.size(), 2u);
  EXPECT_STREQ(SampleList[0].ipText, "1.1.1.1");
  EXPECT_STREQ(SampleList[1].ipText, "1.1.1.*");
}

TEST_F(Samples, ListThatCannotGrowIsNotMistakenForADuplicate) {
  SKIP_WITHOUT_FAILING_ALLOCATIONS();
  SampleList = {sample("10.0.0.1", "00-1a-2b-3c-4d-5e")};
  SampleList.shrink_to_fit();
  int added = 0;
  {
    FailingAllocations failing;
    added = addSample(sample("10.0.0.2", "00-1a-2b-3c-4d-5f"));
  }
  EXPECT_EQ(added, kSampleNoMemory);
  EXPECT_EQ(addSample(sample("10.0.0.1", "*")), -1);
  EXPECT_EQ(addSample(sample("10.0.0.2", "00-1a-2b-3c-4d-5f")), 1);
}

TEST_F(Samples, TabLinesKeepAnEmptyMacAndSurviveRewritesByteForByte) {
  const std::string file =
      "10.88.0.33\t\tepsilon.lab\r\n"             // known by name alone
      "10.88.0.34\t\t\r\n"                        // known, nothing else
      "10.88.0.35\t02:00:00:00:00:35\tcolon\r\n"  // every form is kept as written
      "10.88.0.36\t0200.0000.0036\tdotted one\r\n";
  writeFile("samples.dat", file);
  loadSamples();
  EXPECT_EQ(loaded(), (std::vector<std::string>{"10.88.0.33||epsilon.lab", "10.88.0.34||",
                                                "10.88.0.35|02:00:00:00:00:35|colon",
                                                "10.88.0.36|0200.0000.0036|dotted one"}));
  saveSamples();
  EXPECT_EQ(readFile("samples.dat"), file);
  EXPECT_TRUE(events().empty());
}

// A group MAC on a group address, the broadcast MAC on a broadcast address (the system's own
// rows) are kept quietly; one on a host's address is told, once per change of the file.
TEST_F(Samples, MacsThatNameNoHostAreToldWhereAHostIsOncePerChange) {
  LocalAddressList = {{3, parseIpv4("10.2.0.1"), parseIpv4("255.255.255.128")}};
  std::string file =
      "10.0.0.1\t00-00-00-00-00-00\tz\r\n10.0.0.2 FF:FF:FF:FF:FF:FF b\r\n"
      "10.0.0.3\t0100.5e00.0016\tm\r\n10.0.0.4\t02-00-00-00-00-04\tok\r\n"
      "224.0.0.22\t01-00-5e-00-00-16\t\r\n10.0.0.255\tff-ff-ff-ff-ff-ff\t\r\n"
      "10.2.0.127\tff-ff-ff-ff-ff-ff\t\r\n10.0.0.5\t00-1a-*\tpattern\r\n";
  for (int i = 0; i < 20; ++i) file += "10.1.0." + std::to_string(i) + "\t333300000001\t\r\n";
  writeFile("samples.dat", file);
  for (int start = 0; start < 3; ++start) {
    if (start == 2) writeFile("samples.dat", file + "garbage\r\n");
    SampleList.clear();
    loadSamples();
    EXPECT_EQ(SampleList.size(), 28u);  // kept as they are, only never restored
    const std::vector<std::string> told = events();
    ASSERT_EQ(told.size(), start == 1 ? 0u : 17u) << start;  // the second start says nothing
    if (start == 1) continue;
    EXPECT_EQ(told[0],
              "Недопустимый MAC-адрес в образце: 10.0.0.1 00-00-00-00-00-00 (нулевой адрес). "
              "Образец не будет восстанавливаться.");
    EXPECT_NE(told[3].find("10.1.0.0 333300000001 (групповой адрес)"), std::string::npos);
    EXPECT_EQ(told[16], start == 0 ? "Ещё ошибок в файле samples.dat: 7."
                                   : "Ещё ошибок в файле samples.dat: 8.");
  }
  LocalAddressList.clear();
}
