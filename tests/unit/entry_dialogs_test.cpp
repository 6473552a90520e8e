#include "scan/entry_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arp/samples.h"
#include "base/address.h"
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
      {"10.77.0.2", net("10.77.0.2")},   {"10.77.0.2  trailing", net("10.77.0.2")},
      {"1.2.3", net("1.2.0.3")},          // the last number fills what is left
      {"1.70000", net("1.1.17.112")},     // 70000 = 0x011170
      {"0x0a.010.0.1", net("10.8.0.1")},  // hexadecimal and octal
      {"167772161", net("10.0.0.1")},    {"10.77.0.*", kNoDottedAddress},
      {"10.77.0.2x", kNoDottedAddress},  {"1.2.3.256", kNoDottedAddress},
      {"1.2.3.4.5", kNoDottedAddress},   {"1..2.3", kNoDottedAddress},
      {"09.1.1.1", kNoDottedAddress},    {"99999999999", kNoDottedAddress},
      {" 1.2.3.4", kNoDottedAddress},
  };
  for (const Case& c : cases) EXPECT_EQ(dottedQuadAddress(c.text), c.expected) << c.text;
}

// Short texts, a full entry, the present IP refused, the edit and the probe's boxes are
// proven under Wine; its SendARP never answers, so what follows an answer is proven here.
TEST_F(EntryDialogs, ArpEntryTakesElevenCharactersButNoPattern) {
  EXPECT_EQ(addArpEntry("1.2.3.4", "00-11-22-33"), ArpEntryOutcome::Written);
  EXPECT_EQ(addArpEntry("1.2.3.4", "*"), ArpEntryOutcome::Ignored);
  EXPECT_EQ(fake.setEntries.size(), 1u);
  fake.setEntryResult = 5;
  EXPECT_EQ(addArpEntry("10.0.0.9", "00-11-22-33-44-55"), ArpEntryOutcome::Refused);
}

TEST_F(EntryDialogs, SamplesNeedElevenCharactersOrTheAnyMacAndARowThatIsThere) {
  struct Case {
    const char* mac;
    int row;
    SampleOutcome outcome;
  } cases[] = {
      {"**", -1, SampleOutcome::Ignored},  // two stars are only two characters
      {"not a mac!!", -1, SampleOutcome::Added},
      {"*", 1, SampleOutcome::Ignored},  // a row the list no longer has
      {"", 0, SampleOutcome::Ignored},   // short texts are not stored on edit either
  };
  for (const Case& c : cases) {
    const SampleStore s = storeSample(sampleFromTexts("1.2.3.7", c.mac, "n"), c.row);
    EXPECT_EQ(s.outcome, c.outcome) << c.mac;
  }
  ASSERT_EQ(SampleList.size(), 1u);
  EXPECT_EQ(readFile("samples.dat"), "1.2.3.7\tnot a mac!!\tn\r\n");
}

TEST_F(EntryDialogs, ProbesAfterAnAnswer) {
  const std::string both = std::string(kNoMacLine) + kNoHostNameLine;
  ASSERT_LT(both.size(), kProbeErrorsRoom);  // both lines fit the dialog's room

  fake.macAnswers[net("10.0.0.7")] = {2, 0, 0, 0, 0, 7};
  AddressProbe p = requestMacAndName("10.0.0.7");
  EXPECT_STREQ(p.macText, "02-00-00-00-00-07");
  EXPECT_EQ(std::string(p.errors), kNoHostNameLine);
  fake.names[net("10.0.0.7")] = "printer.lan";
  EXPECT_STREQ(requestMacAndName("10.0.0.7").errors, "");

  // Nothing is asked for a text that is no address.
  fake.names[0xFFFFFFFFu] = "broadcasthost";
  for (const char* ip : {"10.0.0.*", "0.0.0.0.0"}) {
    p = requestMacAndName(ip);
    EXPECT_FALSE(p.probed) << ip;
    EXPECT_STREQ(p.hostName, "") << ip;
  }

  char mac[20] = "";
  fake.macAnswers[0] = {0, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
  EXPECT_EQ(requestMac("0.0.0.0", mac), MacRequest::Found);  // the ARP dialog asks even for 0
  EXPECT_STREQ(mac, "00-1a-2b-3c-4d-5e");
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
