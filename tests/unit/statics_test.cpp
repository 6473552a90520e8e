#include "arp/statics.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "arp/arp_table.h"
#include "base/address.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "route/adapters.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace {

class Statics : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    installUiRecorder();
    settings = Settings{};
    freeArpSnapshot();
    ASSERT_TRUE(createArpSnapshot());
    forgetStaticsFile();
    LocalAddressList = {{5, parseIpv4("192.168.1.2"), parseIpv4("255.255.255.0")},
                        {9, parseIpv4("10.0.0.2"), parseIpv4("255.0.0.0")}};
  }
  void TearDown() override {
    LocalAddressList.clear();
    forgetStaticsFile();
  }

  // "index ip mac" of every write.
  static std::vector<std::string> writes() {
    std::vector<std::string> out;
    for (const ArpRow& r : fake.setEntries) {
      char ip[20], mac[20];
      formatIpv4(r.addr, ip);
      formatMac(r.physAddr, mac);
      out.push_back(std::to_string(r.index) + " " + ip + " " + mac);
    }
    return out;
  }

  std::vector<std::string> events() {
    std::vector<std::string> out;
    for (const std::string& l : ui.windowLines) out.push_back(l.substr(9, l.size() - 11));
    ui.windowLines.clear();
    return out;
  }

  ScratchDir dir;
};

}  // namespace

TEST_F(Statics, SaveWritesStaticRowsInSortedOrder) {
  fake.arpRows = {fakeArpRow(5, "192.168.1.20", "aa-bb-cc-0d-0e-0f", kArpTypeStatic),
                  fakeArpRow(5, "192.168.1.3", "00-11-22-33-44-55", kArpTypeDynamic),
                  fakeArpRow(9, "172.16.0.1", "00-00-00-00-00-9c", kArpTypeStatic)};
  saveStatics();
  EXPECT_EQ(fake.arpSortedFlags, std::vector<bool>{true});
  EXPECT_EQ(readFile("statics.dat"),
            "172.16.0.1\t00-00-00-00-00-9C\r\n"
            "192.168.1.20\tAA-BB-CC-0D-0E-0F\r\n");
  EXPECT_FALSE(std::filesystem::exists("statics.dat.tmp"));

  // Loading applies each on the interface its subnet chooses, bytes unchanged.
  loadStatics();
  EXPECT_EQ(writes(), (std::vector<std::string>{"5 172.16.0.1 00-00-00-00-00-9c",
                                                "5 192.168.1.20 aa-bb-cc-0d-0e-0f"}));
  for (const ArpRow& r : fake.setEntries) EXPECT_EQ(r.type, kArpTypeStatic);
}

TEST_F(Statics, NoGarbageRowIsSavedOrAppliedAndNoLineTwice) {
  struct Case {
    const char* ip;
    const char* mac;
    bool kept;
  } cases[] = {
      // MACs in upper case, as they are saved.
      {"10.0.0.7", "00-00-00-00-00-00", false},         // zero MAC
      {"224.0.0.22", "00-00-00-00-00-00", false},       // the system's NOARP rows
      {"239.255.255.250", "01-00-5E-7F-FF-FA", false},  // multicast, as the system makes it
      {"10.255.255.255", "FF-FF-FF-FF-FF-FF", false},   // broadcast
      {"255.255.255.255", "02-00-00-00-00-01", false},
      {"0.0.0.0", "02-00-00-00-00-01", false},
      {"10.0.0.8", "02-00-00-00-00-08", true},
      {"10.0.0.8", "02-00-00-00-00-08", false},  // the same row on a second interface
      {"10.0.0.8", "02-00-00-00-00-09", true},   // another binding of the same address
  };
  std::string planted, kept;
  fake.arpRows.clear();
  for (const Case& c : cases) {
    fake.arpRows.push_back(
        fakeArpRow(fake.arpRows.size() % 2 ? 5 : 9, c.ip, c.mac, kArpTypeStatic));
    const std::string line = std::string(c.ip) + "\t" + c.mac + "\r\n";
    planted += line;
    if (c.kept) kept += line;
  }
  saveStatics();
  EXPECT_EQ(readFile("statics.dat"), kept);

  // An older file with such lines: only the real pairs reach the table, the others are told.
  writeFile("statics.dat", planted);
  loadStatics();
  EXPECT_EQ(writes(), (std::vector<std::string>{"9 10.0.0.8 02-00-00-00-00-08",
                                                "9 10.0.0.8 02-00-00-00-00-08",
                                                "9 10.0.0.8 02-00-00-00-00-09"}));
  const std::vector<std::string> told = events();
  ASSERT_EQ(told.size(), 6u);
  EXPECT_EQ(told[0],
            "Ошибка добавления записи в ARP-кэш для 10.0.0.7: Неверный MAC-адрес: "
            "00-00-00-00-00-00 — нулевой адрес.");
  EXPECT_EQ(told[1],
            "Ошибка добавления записи в ARP-кэш для 224.0.0.22: Неверный IP-адрес: 224.0.0.22 "
            "— групповой адрес.");
}

TEST_F(Statics, SaveOutcomesOfTheRead) {
  writeFile("statics.dat", "old\r\n");
  fake.arpRows = {fakeArpRow(5, "192.168.1.3", "00-11-22-33-44-55")};
  saveStatics();  // rows, none static: an empty file
  EXPECT_TRUE(std::filesystem::exists("statics.dat"));
  EXPECT_EQ(readFile("statics.dat"), "");

  writeFile("statics.dat", "old\r\n");
  fake.arpError = 5;
  saveStatics();  // failure: the old file stays
  EXPECT_EQ(readFile("statics.dat"), "old\r\n");

  fake.arpError = 0;
  fake.arpRows.assign(100, fakeArpRow(5, "192.168.1.3", "00-11-22-33-44-55", kArpTypeStatic));
  fake.arpAskBytes = 0xfffffff0u;
  saveStatics();  // out of memory: a message box, the old file stays
  EXPECT_EQ(readFile("statics.dat"), "old\r\n");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].first, "Ошибка выделения памяти.");
  EXPECT_EQ(ui.boxes[0].second, MessageIcon::Error);

  fake.arpAskBytes = 0;
  fake.replaceFails = true;  // the rename fails: the old file stays, no temporary left
  saveStatics();
  EXPECT_EQ(readFile("statics.dat"), "old\r\n");
  EXPECT_FALSE(std::filesystem::exists("statics.dat.tmp"));
  fake.replaceFails = false;

  fake.arpRows.clear();
  saveStatics();  // no rows at all: the file goes
  EXPECT_FALSE(std::filesystem::exists("statics.dat"));

  // Without a snapshot buffer (start-up did not get that far) nothing is read.
  writeFile("statics.dat", "old\r\n");
  freeArpSnapshot();
  const int calls = fake.arpCalls;
  saveStatics();
  EXPECT_EQ(fake.arpCalls, calls);
  EXPECT_EQ(readFile("statics.dat"), "old\r\n");
}

TEST_F(Statics, ATableWithoutStaticRowsAfterFailuresNeverEmptiesTheFile) {
  const std::string saved = "192.168.1.20\tAA-BB-CC-0D-0E-0F\r\n";
  // Applying at the start failed, a read of the run failed, the table has no rows; kept?
  const bool cases[][4] = {{0, 0, 0, 0}, {1, 0, 0, 1}, {0, 1, 0, 1}, {0, 1, 1, 1}, {0, 0, 1, 0}};
  for (const auto& [applyFails, readFails, noRows, kept] : cases) {
    SetUp();
    writeFile("statics.dat", saved);
    fake.setEntryResult = applyFails ? 5 : 0;
    loadStatics();
    fake.arpError = readFails ? 5 : 0;
    readArpTable(false);  // a check of the run
    fake.arpError = 0;
    fake.arpRows.assign(!noRows, fakeArpRow(5, "192.168.1.3", "00-11-22-33-44-55"));
    saveStatics();
    EXPECT_EQ(std::filesystem::exists("statics.dat") && readFile("statics.dat") == saved, kept);
    TearDown();
  }
}

TEST_F(Statics, LoadTokensLimitsAndFailures) {
  const std::string line59 = "192.168.1.9\t" + std::string(59 - 12 - 17, ' ') + "00-11-22-33-44-5A";
  ASSERT_EQ(line59.size(), 59u);
  writeFile("statics.dat", std::string("10.1.1.1 AA-BB-CC-DD-EE-01\n") +  // LF only, blank
                               "10.1.1.2\r\n" +                           // one token
                               std::string("10.1.1.3\tAA-BB-CC-DD-EE-03\0junk\r\n", 33) +
                               std::string("10.1.1.4\0\tAA-BB-CC-DD-EE-04\r\n", 29) +
                               "\xff\xfe\t\x80\r\n" +                // binary: no address, refused
                               line59 + "\r\n" + line59 + "x\r\n" +  // a long line is read too
                               "10.1.1.5\t" + std::string(300, ' ') + "AA\r\n" +  // cut: no MAC
                               "10.1.1.6\tAA-BB-CC-DD-EE-06\r\n");
  fake.setEntryResult = 0;
  loadStatics();
  EXPECT_EQ(writes(), (std::vector<std::string>{
                          "9 10.1.1.1 aa-bb-cc-dd-ee-01", "9 10.1.1.3 aa-bb-cc-dd-ee-03",
                          "5 192.168.1.9 00-11-22-33-44-5a", "9 10.1.1.6 aa-bb-cc-dd-ee-06"}));
  EXPECT_EQ(events(),
            (std::vector<std::string>{
                "Ошибка добавления записи в ARP-кэш для \xff\xfe: "
                "Неверный IP-адрес: \xff\xfe — нужны четыре числа от 0 до 255 через точку.",
                // a MAC with more after it is no MAC
                "Ошибка добавления записи в ARP-кэш для 192.168.1.9: Неверный MAC-адрес: "
                "00-11-22-33-44-5Ax — не шесть байтов."}));

  // Each failure is journalled with the first token and the others still go on.
  fake.setEntries.clear();
  fake.setEntryResult = 31;
  writeFile("statics.dat", "10.2.2.2\tAA-BB-CC-DD-EE-02\r\n10.2.2.3 AA-BB-CC-DD-EE-03");
  loadStatics();
  EXPECT_EQ(fake.setEntries.size(), 2u);
  EXPECT_EQ(events(),
            (std::vector<std::string>{"Ошибка добавления записи в ARP-кэш для 10.2.2.2",
                                      "Ошибка добавления записи в ARP-кэш для 10.2.2.3"}));

  // CR-only line ends make one line: its first entry; a missing file does nothing.
  fake.setEntries.clear();
  fake.setEntryResult = 0;
  writeFile(
      "statics.dat",
      "10.3.3.1\tAA-BB-CC-DD-EE-01\r10.3.3.2\tAA-BB-CC-DD-EE-02\r10.3.3.3\tAA-BB-CC-DD-EE-03\r");
  loadStatics();
  EXPECT_EQ(writes(), std::vector<std::string>{"9 10.3.3.1 aa-bb-cc-dd-ee-01"});
  fake.setEntries.clear();
  std::filesystem::remove("statics.dat");
  loadStatics();
  EXPECT_TRUE(fake.setEntries.empty());

  // Ten megabytes of short lines are all applied; ten of one line are one token, skipped.
  std::string many;
  int lines = 0;
  while (many.size() < (10u << 20)) {
    many += "10.4." + std::to_string(lines % 200) + ".1\tAA-BB-CC-DD-EE-FF\r\n";
    ++lines;
  }
  writeFile("statics.dat", many);
  loadStatics();
  EXPECT_EQ(fake.setEntries.size(), static_cast<std::size_t>(lines));
  fake.setEntries.clear();
  writeFile("statics.dat", std::string(10u << 20, '1'));
  loadStatics();
  EXPECT_TRUE(fake.setEntries.empty());
}

TEST_F(Statics, FileThatCannotBeReadIsNeverReplacedOrRemoved) {
  // Present but not readable (mode 000 for another user; here a link to itself). SaveStat
  // switched on during the run: the file is looked at when it is to be saved.
  std::filesystem::create_symlink("statics.dat", "statics.dat");
  saveStatics();  // no rows at all would remove the file
  fake.arpRows = {fakeArpRow(5, "192.168.1.20", "aa-bb-cc-0d-0e-0f", kArpTypeStatic)};
  saveStatics();
  EXPECT_TRUE(std::filesystem::is_symlink("statics.dat"));
  EXPECT_EQ(events(), std::vector<std::string>{
                          "Ошибка чтения файла statics.dat. Файл не будет перезаписан."});

  std::filesystem::remove("statics.dat");
  forgetStaticsFile();
  saveStatics();
  EXPECT_EQ(readFile("statics.dat"), "192.168.1.20\tAA-BB-CC-0D-0E-0F\r\n");
  EXPECT_TRUE(events().empty());
}
