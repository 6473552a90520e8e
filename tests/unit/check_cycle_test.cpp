// The check cycle driven through scripted ARP tables over several ticks.
#include "arp/check_cycle.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "address_fixture.h"
#include "arp/arp_table.h"
#include "arp/list_views.h"
#include "arp/sample_view.h"
#include "base/address.h"
#include "base/text_field.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "report/mail_queue.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace {

const char* const kA = "00-1a-2b-3c-4d-5e";
const char* const kB = "00-1a-2b-3c-4d-5f";
const char* const kX = "66-77-88-99-aa-bb";

class CheckCycle : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    installUiRecorder();
    settings = Settings{};
    SampleList.clear();
    resetCheckCycle();
    freeArpSnapshot();
    ASSERT_TRUE(createArpSnapshot());
  }
  void TearDown() override {
    SampleList.clear();
    resetCheckCycle();
  }

  // Journal texts since the last call, without stamps and line ends.
  std::vector<std::string> events() {
    std::vector<std::string> out;
    for (const std::string& l : ui.windowLines) out.push_back(l.substr(9, l.size() - 11));
    ui.windowLines.clear();
    return out;
  }

  // Ticks until the next check has run (CheckInt ticks after the previous one).
  void nextCheck() {
    const int calls = fake.arpCalls;
    for (int i = 0; i < 100 && fake.arpCalls == calls; ++i) checkTick();
  }

  static std::vector<std::string> cache() {
    std::vector<std::string> out;
    for (const AddressEntry& e : CacheList)
      out.push_back(std::string(e.ipText) + " " + e.macText + " " + e.typeText + " " + e.hostName);
    return out;
  }

  static void addSample(const char* ip, const char* mac, const char* name = "") {
    SampleList.push_back(addressEntry(ip, mac, "", name));
  }

  static std::string rowMac(const ArpRow& r) {
    char t[20];
    formatMac(r.physAddr, t);
    return t;
  }

  ScratchDir dir;  // learning writes samples.dat
};

std::string dyn(const char* ip, const char* mac, const char* name = "") {
  return std::string(ip) + " " + mac + " " + kTypeDynamic + " " + name;
}
std::string stat(const char* ip, const char* mac, const char* name = "") {
  return std::string(ip) + " " + mac + " " + kTypeStatic + " " + name;
}

}  // namespace

TEST_F(CheckCycle, FirstSightingIsComparedAndLaterChecksCarryOver) {
  settings.AddNew = false;
  settings.CheckInt = 2;
  addSample("10.0.0.1", kA, "gw");
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", kA), fakeArpRow(1, "10.0.0.2", kB),
                  fakeArpRow(1, "10.0.0.9", kZeroMac, kArpTypeStatic)};

  checkTick();  // the first tick checks
  EXPECT_EQ(ui.status[0], "Кэш: 0 *");
  EXPECT_EQ(events(), std::vector<std::string>{"Новый IP-адрес! 10.0.0.2 00-1a-2b-3c-4d-5f"});
  EXPECT_EQ(cache(), (std::vector<std::string>{dyn("10.0.0.1", kA, "gw"), dyn("10.0.0.2", kB)}));
  EXPECT_EQ(ui.clears[ListId::Arp], 1);
  EXPECT_EQ(ui.lists[ListId::Arp].size(), 2u);
  EXPECT_EQ(ui.lists[ListId::Arp][0],
            (std::vector<std::string>{"10.0.0.1", kA, kTypeDynamic, "gw"}));
  EXPECT_EQ(ui.sortMarks[ListId::Arp], -1);

  checkTick();  // the star goes, no check
  EXPECT_EQ(ui.status[0], "Кэш: 2");
  EXPECT_EQ(fake.arpCalls, 1);

  // The same table again: nothing reported, the view is left alone, names carried over.
  ui.sortMarks[ListId::Arp] = 3;
  checkTick();
  EXPECT_EQ(fake.arpCalls, 2);
  EXPECT_EQ(ui.status[0], "Кэш: 2 *");
  EXPECT_TRUE(events().empty());
  EXPECT_EQ(ui.clears[ListId::Arp], 1);
  EXPECT_EQ(ui.sortMarks[ListId::Arp], 3);
  EXPECT_EQ(cache()[0], dyn("10.0.0.1", kA, "gw"));

  // A type change is a new binding; so is a changed MAC of a known address.
  fake.arpRows[1].type = kArpTypeStatic;
  fake.arpRows[0] = fakeArpRow(1, "10.0.0.1", kX);
  nextCheck();
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "Подмена адреса! 10.0.0.1 66-77-88-99-aa-bb (10.0.0.1 00-1a-2b-3c-4d-5e)",
                          "Новый IP-адрес! 10.0.0.2 00-1a-2b-3c-4d-5f"}));
  EXPECT_EQ(cache(), (std::vector<std::string>{dyn("10.0.0.1", kX), stat("10.0.0.2", kB)}));
  EXPECT_EQ(ui.clears[ListId::Arp], 2);
  EXPECT_EQ(ui.sortMarks[ListId::Arp], -1);

  // An empty table empties the list once.
  fake.arpRows.clear();
  nextCheck();
  EXPECT_TRUE(CacheList.empty());
  EXPECT_EQ(ui.clears[ListId::Arp], 3);
  EXPECT_TRUE(ui.lists[ListId::Arp].empty());
  nextCheck();
  EXPECT_EQ(ui.clears[ListId::Arp], 3);
}

TEST_F(CheckCycle, SwitchesDecideWhatIsCompared) {
  settings.AddNew = false;
  settings.CheckMac = false;
  addSample("10.0.0.1", kA, "gw");
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", kX), fakeArpRow(1, "10.0.0.2", kB)};
  nextCheck();  // nothing compared at all
  EXPECT_TRUE(events().empty());
  EXPECT_EQ(cache(), (std::vector<std::string>{dyn("10.0.0.1", kX), dyn("10.0.0.2", kB)}));

  // Turning CheckMac on does not look at bindings already seen.
  settings.CheckMac = true;
  nextCheck();
  EXPECT_TRUE(events().empty());
  fake.arpRows.push_back(fakeArpRow(2, "10.0.0.1", kX));  // the same binding on another interface
  nextCheck();
  EXPECT_TRUE(events().empty());

  // AddNew alone: a known address is appended without its name and without a MAC test.
  settings.CheckMac = false;
  settings.AddNew = true;
  fake.arpRows[0].type = kArpTypeStatic;
  nextCheck();
  EXPECT_TRUE(events().empty());
  EXPECT_EQ(cache()[0], stat("10.0.0.1", kX));
}

TEST_F(CheckCycle, SpoofingWithoutRestoreIsReportedOnce) {
  settings.AddNew = false;
  addSample("10.0.0.1", kA, "gw");
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", kX)};
  for (int i = 0; i < 3; ++i) nextCheck();
  EXPECT_EQ(events(),
            std::vector<std::string>{
                "Подмена адреса! 10.0.0.1 66-77-88-99-aa-bb (10.0.0.1 00-1a-2b-3c-4d-5e)"});
  EXPECT_TRUE(fake.setEntries.empty());
  EXPECT_EQ(cache(), std::vector<std::string>{dyn("10.0.0.1", kX)});
}

TEST_F(CheckCycle, SpoofingWithRestoreWritesTheSampleMacBack) {
  settings.AddNew = false;
  settings.Restore = true;
  fake.applyWrites = true;
  addSample("10.0.0.1", kA, "gw");
  fake.arpRows = {fakeArpRow(3, "10.0.0.2", kB), fakeArpRow(7, "10.0.0.1", kX)};
  fake.arpRows[1].physAddrLen = 8;
  nextCheck();
  ASSERT_EQ(fake.setEntries.size(), 1u);
  const ArpRow w = fake.setEntries[0];
  EXPECT_EQ(w.index, 7u);
  EXPECT_EQ(w.physAddrLen, 8u);  // the row's own length
  EXPECT_EQ(w.addr, fakeArpRow(0, "10.0.0.1", kA).addr);
  EXPECT_EQ(w.type, kArpTypeStatic);
  EXPECT_EQ(rowMac(w), kA);
  // The snapshot row itself was rewritten.
  EXPECT_EQ(rowMac(arpRowAt(arpSnapshot, 1)), kA);
  EXPECT_EQ(cache()[1], stat("10.0.0.1", kA));  // the sample's text, no name
  EXPECT_EQ(events().size(), 2u);               // new 10.0.0.2, spoofing 10.0.0.1

  // The table now holds the restored binding: nothing more happens.
  nextCheck();
  nextCheck();
  EXPECT_TRUE(events().empty());
  EXPECT_EQ(fake.setEntries.size(), 1u);
}

TEST_F(CheckCycle, FailedRestoreKeepsTheObservedBinding) {
  settings.AddNew = false;
  settings.Restore = true;
  fake.setEntryResult = 5;
  addSample("10.0.0.*", kA);
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", kX)};
  nextCheck();
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "Подмена адреса! 10.0.0.1 66-77-88-99-aa-bb (10.0.0.* 00-1a-2b-3c-4d-5e)",
                          "Ошибка восстановления MAC для IP 10.0.0.1"}));
  EXPECT_EQ(cache(), std::vector<std::string>{dyn("10.0.0.1", kX)});
  nextCheck();
  EXPECT_TRUE(events().empty());
}

TEST_F(CheckCycle, UpperCaseSampleMacMatchesAndKeepsItsText) {
  // ipconfig /all and statics.dat write MACs in upper case; a sample copied from there is
  // the same MAC, not a spoofing on every check.
  settings.AddNew = false;
  settings.Restore = true;
  fake.applyWrites = true;
  addSample("10.0.0.1", "00-1A-2B-3C-4D-5E", "gw");
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", kA)};
  for (int i = 0; i < 3; ++i) nextCheck();
  EXPECT_TRUE(events().empty());

  // A real spoofing is restored once; the restored binding then matches in lower case.
  fake.arpRows[0] = fakeArpRow(1, "10.0.0.1", kX);
  for (int i = 0; i < 3; ++i) nextCheck();
  EXPECT_EQ(events(),
            std::vector<std::string>{
                "Подмена адреса! 10.0.0.1 66-77-88-99-aa-bb (10.0.0.1 00-1A-2B-3C-4D-5E)"});
  ASSERT_EQ(fake.setEntries.size(), 1u);
  EXPECT_EQ(rowMac(fake.setEntries[0]), kA);
  // Restored in the table's form, so the next checks carry it over as any restored binding.
  EXPECT_EQ(cache()[0], stat("10.0.0.1", kA));

  // A known MAC in the other case is an additional IP, not a new sample.
  resetCheckCycle();
  SampleList.clear();
  settings.AddNew = true;
  settings.AddAddIp = false;
  addSample("192.168.0.1", "00-1A-2B-3C-4D-5E");
  fake.arpRows = {fakeArpRow(1, "10.0.0.9", kA)};
  nextCheck();
  EXPECT_EQ(events(), (std::vector<std::string>{"Новый IP-адрес! 10.0.0.9 00-1a-2b-3c-4d-5e",
                                                "Дополн. IP-адрес! 10.0.0.9 00-1a-2b-3c-4d-5e"}));
  EXPECT_EQ(SampleList.size(), 1u);
}

TEST_F(CheckCycle, PatternSampleMacIsNeverWritten) {
  // A pattern names no host: its leading bytes and zeroes would cut the real one off.
  settings.AddNew = false;
  settings.Restore = true;
  addSample("10.0.0.1", "00-1a-*");
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", "00-1a-11-22-33-44"),
                  fakeArpRow(1, "10.0.0.1", "00-1b-11-22-33-44")};
  nextCheck();
  EXPECT_TRUE(fake.setEntries.empty());
  EXPECT_EQ(events(), (std::vector<std::string>{
                          "Подмена адреса! 10.0.0.1 00-1b-11-22-33-44 (10.0.0.1 00-1a-*)",
                          "Ошибка восстановления MAC для IP 10.0.0.1: образец 00-1a-* - шаблон, "
                          "а не адрес"}));
  EXPECT_EQ(cache()[1], dyn("10.0.0.1", "00-1b-11-22-33-44"));
}

TEST_F(CheckCycle, SampleMacsInEveryFormMatchAndOnlyRealOnesAreWritten) {
  struct Case {
    const char* sampleMac;
    const char* tableMac;
    bool spoofing;
    const char* written;  // nullptr: nothing reaches the table
  } cases[] = {
      {"00:1a:2b:3c:4d:5e", kA, false, nullptr},
      {"001A.2B3C.4D5E", kA, false, nullptr},
      {"001a2b3c4d5e", kA, false, nullptr},
      {"00:1A:*", kA, false, nullptr},  // colons stand for the table's hyphens
      {"", kX, false, nullptr},         // only says the address is known
      {"00:1a:2b:3c:4d:5e", kX, true, kA},
      {"001A.2B3C.4D5E", kX, true, kA},
      // A MAC that names no host was told at start: it contradicts nothing, is never written.
      {"00-00-00-00-00-00", kX, false, nullptr},
      {"ff-ff-ff-ff-ff-ff", kX, false, nullptr},
      {"01:00:5e:00:00:16", kX, false, nullptr},
      {"epsilon.lab", kX, true, nullptr},  // an older file's name in the MAC field
  };
  settings.AddNew = false;
  settings.Restore = true;
  for (const Case& c : cases) {
    resetCheckCycle();
    SampleList.clear();
    fake.setEntries.clear();
    addSample("10.0.0.1", c.sampleMac, "gw");
    fake.arpRows = {fakeArpRow(1, "10.0.0.1", c.tableMac)};
    nextCheck();
    const std::vector<std::string> lines = events();
    EXPECT_EQ(!lines.empty() && lines[0].starts_with("Подмена адреса!"), c.spoofing) << c.sampleMac;
    ASSERT_EQ(fake.setEntries.size(), c.written ? 1u : 0u) << c.sampleMac;
    if (c.written) {
      EXPECT_EQ(rowMac(fake.setEntries[0]), c.written) << c.sampleMac;
      EXPECT_EQ(cache()[0], stat("10.0.0.1", c.written)) << c.sampleMac;
    }
  }
}

TEST_F(CheckCycle, NoBroadcastOrMulticastMacIsLearnedOrBlocked) {
  const char* macs[] = {"ff-ff-ff-ff-ff-ff", "01-00-5e-00-00-16", "33-33-00-00-00-01", kA};
  for (bool block : {false, true}) {
    settings.AddNew = !block;
    settings.BlockNew = block;
    for (const char* mac : macs) {
      resetCheckCycle();
      SampleList.clear();
      fake.setEntries.clear();
      fake.arpRows = {fakeArpRow(1, "224.0.0.22", mac)};
      nextCheck();
      const std::size_t acted = mac == kA ? 1u : 0u;
      EXPECT_EQ(SampleList.size() + fake.setEntries.size(), acted) << mac << " block " << block;
      EXPECT_EQ(events().size(), 1u) << mac;  // still a new address
    }
  }
}

TEST_F(CheckCycle, BlockingWritesTheRandomByte) {
  settings.AddNew = false;
  settings.BlockNew = true;
  fake.applyWrites = true;
  seedCheckRandom(4242);
  std::minstd_rand expected(4242);
  const unsigned r1 = 1 + expected() % 255, r2 = 1 + expected() % 255;
  fake.arpRows = {fakeArpRow(2, "10.0.0.7", kA), fakeArpRow(2, "10.0.0.8", kB)};
  nextCheck();
  ASSERT_EQ(fake.setEntries.size(), 2u);
  char m1[20], m2[20];
  std::snprintf(m1, sizeof m1, "00-00-00-00-00-%02x", r1);
  std::snprintf(m2, sizeof m2, "00-00-00-00-00-%02x", r2);
  EXPECT_EQ(rowMac(fake.setEntries[0]), m1);
  EXPECT_EQ(fake.setEntries[0].type, kArpTypeStatic);
  EXPECT_EQ(fake.setEntries[0].index, 2u);
  EXPECT_EQ(rowMac(fake.setEntries[1]), m2);
  EXPECT_EQ(events(), (std::vector<std::string>{"Новый IP-адрес! 10.0.0.7 00-1a-2b-3c-4d-5e",
                                                "Новый IP-адрес! 10.0.0.8 00-1a-2b-3c-4d-5f"}));
  nextCheck();  // the blocked bindings come back from the table unchanged
  EXPECT_TRUE(events().empty());
  EXPECT_EQ(cache(), (std::vector<std::string>{stat("10.0.0.7", m1), stat("10.0.0.8", m2)}));
}

TEST_F(CheckCycle, BlockNeverWritesAnAllZeroMacAndFailedBlockIsReported) {
  settings.AddNew = true;  // blocking wins over learning
  settings.BlockNew = true;
  fake.applyWrites = true;
  std::uint32_t seed = 1;
  while (std::minstd_rand(seed)() % 255 != 0) ++seed;  // the lowest byte there is
  seedCheckRandom(seed);
  fake.arpRows = {fakeArpRow(1, "10.0.0.7", kA)};
  nextCheck();
  nextCheck();  // still in sight, where the user can remove it
  EXPECT_EQ(cache(), std::vector<std::string>{stat("10.0.0.7", "00-00-00-00-00-01")});
  EXPECT_TRUE(SampleList.empty());
  std::set<int> bytes;
  for (int i = 0; i < 4000; ++i) bytes.insert(nextCheckRandomByte());
  EXPECT_EQ(bytes.size(), 255u);
  EXPECT_EQ(*bytes.begin(), 1);

  fake.setEntryResult = 31;
  fake.arpRows = {fakeArpRow(1, "10.0.0.8", kB)};
  events();
  nextCheck();
  EXPECT_EQ(events(), (std::vector<std::string>{"Новый IP-адрес! 10.0.0.8 00-1a-2b-3c-4d-5f",
                                                "Ошибка записи MAC для IP при блокировке."}));
  EXPECT_EQ(cache(), std::vector<std::string>{dyn("10.0.0.8", kB)});
}

TEST_F(CheckCycle, LearningAddsSamplesAndSavesThem) {
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", kA), fakeArpRow(1, "10.0.0.2", kA),
                  fakeArpRow(2, "10.0.0.1", kA)};
  const int refills = ui.clears[ListId::Samples];
  nextCheck();
  EXPECT_EQ(ui.clears[ListId::Samples], refills + 1);  // once for the check, not per host
  // The second interface's row finds the sample that the first row just added.
  EXPECT_EQ(events(), (std::vector<std::string>{"Новый IP-адрес! 10.0.0.1 00-1a-2b-3c-4d-5e",
                                                "Новый IP-адрес! 10.0.0.2 00-1a-2b-3c-4d-5e"}));
  ASSERT_EQ(SampleList.size(), 2u);
  EXPECT_STREQ(SampleList[1].ipText, "10.0.0.2");
  EXPECT_STREQ(SampleList[1].typeText, kTypeDynamic);
  EXPECT_STREQ(SampleList[1].hostName, "");
  EXPECT_EQ(ui.status[1], "Образцы: 2");
  EXPECT_EQ(ui.lists[ListId::Samples].size(), 2u);
  EXPECT_EQ(cache().size(), 3u);
  EXPECT_EQ(readFile("samples.dat"),
            "10.0.0.1\t00-1a-2b-3c-4d-5e\t\r\n10.0.0.2\t00-1a-2b-3c-4d-5e\t\r\n");

  // A check that learns nothing leaves the list and the file alone.
  std::filesystem::remove("samples.dat");
  fake.arpRows.push_back(fakeArpRow(1, "10.0.0.1", kB));
  settings.CheckMac = false;
  nextCheck();
  EXPECT_EQ(ui.clears[ListId::Samples], refills + 1);
  EXPECT_FALSE(std::filesystem::exists("samples.dat"));
}

TEST_F(CheckCycle, KnownMacWithAnotherAddressIsAnAdditionalIp) {
  settings.AddAddIp = false;
  addSample("10.0.0.*", kX, "wild");  // an IP pattern whose MAC does not matter here
  addSample("192.168.5.1", kB, "b");
  fake.arpRows = {fakeArpRow(1, "10.1.0.1", kA), fakeArpRow(1, "10.1.0.2", kA),
                  fakeArpRow(1, "10.1.0.3", kB)};
  nextCheck();
  EXPECT_EQ(events(), (std::vector<std::string>{"Новый IP-адрес! 10.1.0.1 00-1a-2b-3c-4d-5e",
                                                "Новый IP-адрес! 10.1.0.2 00-1a-2b-3c-4d-5e",
                                                "Дополн. IP-адрес! 10.1.0.2 00-1a-2b-3c-4d-5e",
                                                "Новый IP-адрес! 10.1.0.3 00-1a-2b-3c-4d-5f",
                                                "Дополн. IP-адрес! 10.1.0.3 00-1a-2b-3c-4d-5f"}));
  ASSERT_EQ(SampleList.size(), 3u);
  EXPECT_STREQ(SampleList[2].ipText, "10.1.0.1");
  // The learned sample is a sample like any other at the next change.
  fake.arpRows[0] = fakeArpRow(1, "10.1.0.1", kX);
  nextCheck();
  EXPECT_EQ(events(),
            std::vector<std::string>{
                "Подмена адреса! 10.1.0.1 66-77-88-99-aa-bb (10.1.0.1 00-1a-2b-3c-4d-5e)"});
}

TEST_F(CheckCycle, FirstMatchingSampleWinsOverLaterExactOnes) {
  settings.AddNew = false;
  addSample("10.0.0.5", kA, "exact-first");
  addSample("10.0.0.*", kB, "wild");
  addSample("10.0.0.6", kA, "exact-late");
  addSample("10.0.0.5", kB, "duplicate");
  fake.arpRows = {fakeArpRow(1, "10.0.0.5", kA), fakeArpRow(1, "10.0.0.6", kB),
                  fakeArpRow(1, "10.0.0.7", kB)};
  nextCheck();
  EXPECT_TRUE(events().empty());
  EXPECT_EQ(cache(),
            (std::vector<std::string>{dyn("10.0.0.5", kA, "exact-first"),
                                      dyn("10.0.0.6", kB, "wild"), dyn("10.0.0.7", kB, "wild")}));
}

TEST_F(CheckCycle, FiveHundredFailuresThenTheStop) {
  settings.CheckInt = 1;
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", kA)};
  settings.AddNew = settings.CheckMac = false;
  checkTick();
  ASSERT_EQ(CacheList.size(), 1u);
  const int clears = ui.clears[ListId::Arp];

  fake.arpError = 31;
  for (int i = 0; i < 3; ++i) checkTick();
  EXPECT_EQ(arpErrorCount, 3);
  fake.arpError = 0;  // any success resets the count
  checkTick();
  EXPECT_EQ(arpErrorCount, 0);
  events();

  fake.arpError = 31;
  for (int i = 0; i < 500; ++i) checkTick();
  std::vector<std::string> lines = events();
  ASSERT_EQ(lines.size(), 500u);
  for (const std::string& l : lines) EXPECT_EQ(l, "Ошибка при обращении к ARP таблице.");
  EXPECT_EQ(arpErrorCount, 500);
  EXPECT_EQ(ui.timerStops, 0);

  checkTick();  // the 501st
  EXPECT_EQ(events(),
            std::vector<std::string>{
                "Слишком много ошибок при обращении к ARP таблице. Программа остановлена."});
  EXPECT_EQ(ui.timerStops, 1);
  EXPECT_EQ(arpErrorCount, 500);
  EXPECT_EQ(CacheList.size(), 1u);  // lists and views keep their contents
  EXPECT_EQ(ui.clears[ListId::Arp], clears);

  // A command's tick still checks; a success resets the count, nothing restarts the timer.
  fake.arpError = 0;
  checkTick();
  EXPECT_EQ(arpErrorCount, 0);
  EXPECT_EQ(ui.timerStops, 1);
  EXPECT_TRUE(events().empty());
}

TEST_F(CheckCycle, CheckIntervalOneAndZero) {
  settings.CheckInt = 1;
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", kA)};
  for (int i = 1; i <= 4; ++i) {
    checkTick();
    EXPECT_EQ(fake.arpCalls, i);
    EXPECT_EQ(ui.status[0], "Кэш: " + std::to_string(i == 1 ? 0 : 1) + " *");  // star stays
  }

  resetCheckCycle();
  resetFake();
  settings.CheckInt = 0;
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", kA)};
  checkTick();
  EXPECT_EQ(fake.arpCalls, 1);
  for (int i = 0; i < 50; ++i) checkTick();
  EXPECT_EQ(fake.arpCalls, 1);
  EXPECT_EQ(ui.status[0], "Кэш: 1");

  // Any value from the file: no further check, and the countdown never runs past its range
  // (the sanitizer build stops at a signed overflow).
  for (const std::int32_t interval : {-1, INT32_MIN, INT32_MIN + 1}) {
    resetCheckCycle();
    resetFake();
    settings.CheckInt = interval;
    fake.arpRows = {fakeArpRow(1, "10.0.0.1", kA)};
    for (int i = 0; i < 5; ++i) checkTick();
    EXPECT_EQ(fake.arpCalls, 1) << interval;
    EXPECT_EQ(checkCountdown, interval);
  }
  resetCheckCycle();
  settings.CheckInt = INT32_MAX;
  checkTick();
  EXPECT_EQ(checkCountdown, INT32_MAX);
}

TEST_F(CheckCycle, CommandTicksAndTheMailCountdown) {
  settings.CheckInt = 5;
  checkTick();  // the first check
  EXPECT_EQ(fake.arpCalls, 1);
  for (int i = 0; i < 3; ++i) checkTick();  // a command's call only shortens the wait
  EXPECT_EQ(checkCountdown, 2);
  checkTick();
  EXPECT_EQ(fake.arpCalls, 1);
  checkTick();  // due on this tick: checks at once
  EXPECT_EQ(fake.arpCalls, 2);
  EXPECT_EQ(checkCountdown, 5);

  static std::vector<std::string> sent;
  sent.clear();
  auto* const savedThread = startMailThread;
  const bool savedSockets = socketsReady;
  startMailThread = [](std::string text) {
    sent.push_back(std::move(text));
    return true;
  };
  socketsReady = true;
  takeMailQueue();
  enqueueMail("line one\r\n");
  mailCountdown = 3;
  checkTick();
  checkTick();
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(mailCountdown, 1);
  checkTick();
  EXPECT_EQ(sent, std::vector<std::string>{"line one\r\n"});
  EXPECT_EQ(mailCountdown, 0);
  checkTick();
  EXPECT_EQ(sent.size(), 1u);
  startMailThread = savedThread;
  socketsReady = savedSockets;
}

TEST_F(CheckCycle, OutOfMemoryEndsTheProgram) {
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", kA)};
  checkTick();
  fake.arpRows.assign(100, fakeArpRow(1, "10.0.0.2", kB));
  fake.arpAskBytes = static_cast<std::uint32_t>(kArpSnapshotMaxBytes + 1);
  events();
  nextCheck();
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].first, "Ошибка выделения памяти.");
  EXPECT_EQ(ui.boxes[0].second, MessageIcon::Error);
  EXPECT_EQ(ui.programEnds, 1);
  EXPECT_TRUE(events().empty());
  EXPECT_EQ(CacheList.size(), 1u);
}

TEST_F(CheckCycle, TableIsReadOnceWhileItFitsTheLastSizeAndItsRoom) {
  settings.AddNew = settings.CheckMac = false;
  const auto plant = [](int from, int to) {
    for (int i = from; i < to; ++i) {
      const std::string ip = "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250);
      fake.arpRows.push_back(fakeArpRow(1, ip.c_str(), kA));
    }
  };
  plant(0, 100);
  checkTick();
  // Asked for 100 rows, the buffer takes 64 more: up to 164 rows are read with one call.
  EXPECT_EQ(fake.arpOfferedSizes, (std::vector<std::uint32_t>{1540, 4 + 164 * 24}));
  EXPECT_EQ(CacheList.size(), 100u);
  plant(100, 164);
  fake.arpOfferedSizes.clear();
  nextCheck();
  EXPECT_EQ(fake.arpOfferedSizes, std::vector<std::uint32_t>{4 + 164 * 24});
  // Beyond: an eighth more room. A shorter table is read with the same offer.
  plant(164, 4000);
  fake.arpOfferedSizes.clear();
  nextCheck();
  const std::uint32_t grown = 4 + 4000 * 24 + (4 + 4000 * 24) / 8;
  EXPECT_EQ(fake.arpOfferedSizes, (std::vector<std::uint32_t>{4 + 164 * 24, grown}));
  fake.arpRows.resize(65);
  fake.arpOfferedSizes.clear();
  nextCheck();
  EXPECT_EQ(fake.arpOfferedSizes, std::vector<std::uint32_t>{grown});
  EXPECT_EQ(arpSnapshot.bytes.size(), grown);
  EXPECT_EQ(CacheList.size(), 65u);
}

TEST_F(CheckCycle, NamesFollowEveryChangeOfTheSamples) {
  settings.AddNew = false;
  addSample("10.0.0.1", kA, "gw");
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", kA), fakeArpRow(1, "10.0.0.2", kB)};
  checkTick();
  ASSERT_EQ(cache()[0], dyn("10.0.0.1", kA, "gw"));
  struct Case {
    const char* what;
    std::vector<AddressEntry> samples;
    const char* name1;
    const char* name2;
  };
  auto e = [](const char* ip, const char* mac, const char* name) {
    return addressEntry(ip, mac, "", name);
  };
  const Case cases[] = {
      {"renamed", {e("10.0.0.1", kA, "router")}, "router", ""},
      {"added", {e("10.0.0.1", kA, "router"), e("10.0.0.2", kB, "nas")}, "router", "nas"},
      {"moved ahead", {e("10.0.0.*", kB, "wild"), e("10.0.0.1", kA, "gw")}, "", "wild"},
      {"foreign MAC", {e("10.0.0.1", kX, "gw"), e("10.0.0.2", kB, "nas")}, "", "nas"},
      {"known without a MAC", {e("10.0.0.1", "", "gw")}, "gw", ""},
      {"deleted", {}, "", ""},
  };
  for (const Case& c : cases) {
    SampleList = c.samples;
    const int clears = ui.clears[ListId::Arp];
    showSamples();
    EXPECT_EQ(cache(), (std::vector<std::string>{dyn("10.0.0.1", kA, c.name1),
                                                 dyn("10.0.0.2", kB, c.name2)}))
        << c.what;
    EXPECT_EQ(ui.lists[ListId::Arp][0][3], c.name1) << c.what;
    EXPECT_EQ(ui.clears[ListId::Arp], clears + 1) << c.what;
    nextCheck();  // a later check carries the new names over
    EXPECT_EQ(cache()[1], dyn("10.0.0.2", kB, c.name2)) << c.what;
  }
  const int clears = ui.clears[ListId::Arp];
  showSamples();  // nothing changed: the list is left alone
  EXPECT_EQ(ui.clears[ListId::Arp], clears);
}

TEST_F(CheckCycle, ATableReadAsideIsCheckedWhenTheFrontEndHandsItOver) {
  static int asked = 0;
  asked = 0;
  uiHooks.readTableAside = [] { return ++asked > 0; };
  fake.arpRows = {fakeArpRow(1, "10.0.0.1", kA)};
  checkTick();  // due: the front end begins its read
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(fake.arpCalls, 0);
  checkTick();  // the star goes while the read is still under way
  EXPECT_EQ(ui.status[0], "Кэш: 0");
  finishCheck(readArpTable(false));
  EXPECT_EQ(cache(), std::vector<std::string>{"10.0.0.1 00-1a-2b-3c-4d-5e д "});
  EXPECT_EQ(ui.status[0], "Кэш: 1");
  EXPECT_EQ(ui.lists[ListId::Arp].size(), 1u);
}
