#include "scan/entry_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/address.h"
#include "core/samples.h"
#include "failing_allocations.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "route/adapters.h"
#include "scan/dotted_quad.h"
#include "scratch_dir.h"

namespace {

std::uint32_t net(const char* dotted) { return hostToNetwork(parseIpv4(dotted)); }

class EntryDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    installUiRecorder();
    SampleList.clear();
    LocalAddressList = {{3, parseIpv4("10.0.0.5"), parseIpv4("255.255.255.0")}};
  }
  void TearDown() override {
    SampleList.clear();
    LocalAddressList.clear();
  }
  ScratchDir dir;
};

TEST(DottedQuad, ReadsWhatTheSocketLayerReads) {
  struct Case {
    const char* text;
    std::uint32_t expected;  // network order
  } cases[] = {
      {"10.77.0.2", net("10.77.0.2")},
      {"10.77.0.2  trailing", net("10.77.0.2")},
      {"0.0.0.0", 0},
      {"1.2.3", net("1.2.0.3")},          // the last number fills what is left
      {"1.70000", net("1.1.17.112")},     // 70000 = 0x011170
      {"0x0a.010.0.1", net("10.8.0.1")},  // hexadecimal and octal
      {"167772161", net("10.0.0.1")},
      {"10.77.0.*", kNoDottedAddress},
      {"10.77.0.2x", kNoDottedAddress},
      {"1.2.3.256", kNoDottedAddress},
      {"1.2.3.4.5", kNoDottedAddress},
      {"1..2.3", kNoDottedAddress},
      {"09.1.1.1", kNoDottedAddress},
      {"1.2.3.", kNoDottedAddress},
      {"99999999999", kNoDottedAddress},
      {"", kNoDottedAddress},
      {" 1.2.3.4", kNoDottedAddress},
  };
  for (const Case& c : cases) EXPECT_EQ(dottedQuadAddress(c.text), c.expected) << c.text;
}

TEST_F(EntryDialogs, ArpEntryWritesOnlyLongEnoughTexts) {
  struct Case {
    const char* ip;
    const char* mac;
    ArpEntryOutcome expected;
  } cases[] = {
      {"1.2.3.4", "00-11-22-33-44-55", ArpEntryOutcome::Written},
      {"1.2.3.4", "00-11-22-33", ArpEntryOutcome::Written},  // 11 are enough
      {"1.2.3.4", "*", ArpEntryOutcome::Ignored},            // no pattern for the cache
  };
  for (const Case& c : cases) {
    fake.setEntries.clear();
    EXPECT_EQ(addArpEntry(c.ip, c.mac), c.expected) << c.ip << " " << c.mac;
    EXPECT_EQ(fake.setEntries.size(), c.expected == ArpEntryOutcome::Written ? 1u : 0u);
  }
  fake.setEntryResult = 5;
  EXPECT_EQ(addArpEntry("10.0.0.9", "00-11-22-33-44-55"), ArpEntryOutcome::Refused);
  EXPECT_EQ(arpEntryRefusedText("10.0.0.9"), "Ошибка добавления записи в ARP-кэш для 10.0.0.9");
}

TEST_F(EntryDialogs, SampleLengthRulesAndTheAnyMac) {
  struct Case {
    const char* ip;
    const char* mac;
    bool stored;
  } cases[] = {
      {"1.2.3.4", "*", true},            // any MAC
      {"1.2.3.5", "**", false},          // two stars are only two characters
      {"1.2.3.7", "not a mac!!", true},  // 11 characters, whatever they hold
      {"10.0.*", "*", false},
      {"10.0.0.*", "00-1a-*-*-*-*", true},  // a pattern of 7 characters or more
  };
  for (const Case& c : cases) {
    const std::size_t before = SampleList.size();
    const SampleStore s = storeSample(sampleFromTexts(c.ip, c.mac, "n"), -1);
    EXPECT_EQ(s.outcome, c.stored ? SampleOutcome::Added : SampleOutcome::Ignored) << c.ip;
    EXPECT_EQ(SampleList.size(), before + (c.stored ? 1 : 0)) << c.ip;
  }
  EXPECT_EQ(readFile("samples.dat"),
            "1.2.3.4\t*\tn\r\n1.2.3.7\tnot a mac!!\tn\r\n10.0.0.*\t00-1a-*-*-*-*\tn\r\n");
}

// The dialogs' refusal and replacement as a user sees them are proven under Wine.
TEST_F(EntryDialogs, AddRefusesAPresentIpTextEditReplacesWithoutAsking) {
  SampleList = {sampleFromTexts("10.0.0.1", "00-00-00-00-00-01", "a"),
                sampleFromTexts("10.0.0.2", "00-00-00-00-00-02", "b")};
  SampleStore s = storeSample(sampleFromTexts("10.0.0.3", "00-00-00-00-00-03", "c"), -1);
  EXPECT_EQ(s.outcome, SampleOutcome::Added);
  EXPECT_EQ(s.row, 2);
  EXPECT_EQ(ui.status[1], "Образцы: 3");

  // The same IP text with another MAC: refused, nothing saved.
  writeFile("samples.dat", "untouched");
  s = storeSample(sampleFromTexts("10.0.0.1", "00-00-00-00-00-99", ""), -1);
  EXPECT_EQ(s.outcome, SampleOutcome::Duplicate);
  EXPECT_EQ(s.row, -1);
  EXPECT_EQ(SampleList.size(), 3u);
  EXPECT_EQ(readFile("samples.dat"), "untouched");

  // Edit: the IP of another sample is taken as it is, the whole record replaced.
  s = storeSample(sampleFromTexts("10.0.0.1", "*", ""), 1);
  EXPECT_EQ(s.outcome, SampleOutcome::Replaced);
  EXPECT_EQ(
      readFile("samples.dat"),
      "10.0.0.1\t00-00-00-00-00-01\ta\r\n10.0.0.1\t*\t\r\n10.0.0.3\t00-00-00-00-00-03\tc\r\n");

  // A row the list no longer has changes nothing; short texts are not stored on edit either.
  EXPECT_EQ(storeSample(sampleFromTexts("10.0.0.4", "*", ""), 3).outcome, SampleOutcome::Ignored);
  EXPECT_EQ(storeSample(sampleFromTexts("10.0.0.4", "", ""), 0).outcome, SampleOutcome::Ignored);
  EXPECT_STREQ(SampleList[0].macText, "00-00-00-00-00-01");
}

TEST_F(EntryDialogs, MacAndNameProbeCollectsItsErrorLinesInOrder) {
  const std::string both = std::string(kNoMacLine) + kNoHostNameLine;
  ASSERT_LT(both.size(), kProbeErrorsRoom);  // both lines fit the dialog's room

  AddressProbe p = requestMacAndName("10.0.0.7");
  EXPECT_TRUE(p.probed);
  EXPECT_FALSE(p.macFound);
  EXPECT_FALSE(p.nameFound);
  EXPECT_EQ(std::string(p.errors), both);

  // A name without a MAC is proven under Wine.
  fake.macAnswers[net("10.0.0.7")] = {2, 0, 0, 0, 0, 7};
  p = requestMacAndName("10.0.0.7");
  EXPECT_STREQ(p.macText, "02-00-00-00-00-07");
  EXPECT_EQ(std::string(p.errors), kNoHostNameLine);

  fake.names[net("10.0.0.7")] = "printer.lan";
  EXPECT_STREQ(requestMacAndName("10.0.0.7").errors, "");

  // Nothing is asked for a short text, the address 0 or a text that is no address.
  for (const char* ip : {"1.2.3.", "0.0.0.0", "10.0.0.*", "0.0.0.0.0"}) {
    fake.names[0] = "zero";
    fake.names[0xFFFFFFFFu] = "broadcasthost";
    p = requestMacAndName(ip);
    EXPECT_FALSE(p.probed) << ip;
    EXPECT_STREQ(p.errors, "") << ip;
    EXPECT_STREQ(p.hostName, "") << ip;
  }
}

TEST_F(EntryDialogs, ArpEntryMacRequest) {
  char mac[20] = "unchanged";
  EXPECT_EQ(requestMac("1.2.3.", mac), MacRequest::Ignored);
  EXPECT_EQ(requestMac("10.0.0.8", mac), MacRequest::NoAnswer);
  EXPECT_STREQ(mac, "unchanged");
  fake.macAnswers[net("10.0.0.8")] = {0, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
  EXPECT_EQ(requestMac("10.0.0.8", mac), MacRequest::Found);
  EXPECT_STREQ(mac, "00-1a-2b-3c-4d-5e");
  fake.macAnswers[0] = {1, 1, 1, 1, 1, 1};
  EXPECT_EQ(requestMac("0.0.0.0", mac), MacRequest::Found);  // this dialog asks even for 0
}

}  // namespace

// A list that cannot grow is no duplicate: the dialog must not say the address is there.
TEST_F(EntryDialogs, AListThatCannotGrowIsNoDuplicate) {
  SKIP_WITHOUT_FAILING_ALLOCATIONS();
  SampleList = {sampleFromTexts("10.0.0.1", "00-00-00-00-00-01", "a")};
  SampleList.shrink_to_fit();
  const AddressEntry e = sampleFromTexts("10.0.0.2", "00-00-00-00-00-02", "b");
  SampleStore s{};
  {
    FailingAllocations failing;
    s = storeSample(e, -1);
  }
  EXPECT_EQ(s.outcome, SampleOutcome::NoMemory);
  EXPECT_EQ(s.row, -1);
  EXPECT_EQ(storeSample(e, -1).outcome, SampleOutcome::Added);
}
