#include "scan/entry_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arp/samples.h"
#include "base/address.h"
#include "base/address_input.h"
#include "failing_allocations.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "route/adapters.h"
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

// The scan's range reads four numbers: not the socket layer's short forms, one meaning for
// leading zeros, never a wrapped or hexadecimal number.
TEST(DottedQuad, ScanRangeReadsFourDecimalNumbers) {
  constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;
  struct Case {
    const char* text;
    std::uint32_t expected;  // network order
  } cases[] = {
      {"10.77.0.2", net("10.77.0.2")},
      {"10.77.0.2  trailing", kNoAddress},
      {"1.2.3", kNoAddress},  // a short form is a typo
      {"1.70000", kNoAddress},
      {"0x0a.010.0.1", kNoAddress},       // no hexadecimal
      {"010.010.0.1", net("10.10.0.1")},  // leading zeros are decimal
      {"167772161", kNoAddress},
      {"10.77.0.*", kNoAddress},
      {"10.77.0.2x", kNoAddress},
      {"1.2.3.256", kNoAddress},
      {"1.2.3.4.5", kNoAddress},
      {"1..2.3", kNoAddress},
      {"09.1.1.1", net("9.1.1.1")},
      {"99999999999", kNoAddress},
      {" 1.2.3.4", net("1.2.3.4")},
      {"1.2.65536", kNoAddress},
  };
  for (const Case& c : cases) {
    std::uint32_t host = 0;
    const bool read = readIpv4Text(c.text, host);
    EXPECT_EQ(read ? hostToNetwork(host) : kNoAddress, c.expected) << c.text;
  }
}

// A full entry and the present IP refused are proven under Wine; its SendARP never answers,
// so what follows an answer is proven here. Short texts are refused by the readers.
TEST_F(EntryDialogs, ArpEntryTakesARealPairOnly) {
  EXPECT_EQ(addArpEntry("1.2.3.4", "00:11:22:33:44:55"), ArpEntryOutcome::Written);
  for (const char* mac : {"*", "", "00-1b-21-*"})
    EXPECT_EQ(addArpEntry("1.2.3.4", mac), ArpEntryOutcome::Invalid) << mac;
  EXPECT_EQ(addArpEntry("1.2.3", "00:11:22:33:44:55"), ArpEntryOutcome::Invalid);
  EXPECT_EQ(fake.setEntries.size(), 1u);
  fake.setEntryResult = 5;
  EXPECT_EQ(addArpEntry("10.0.0.9", "00-11-22-33-44-55"), ArpEntryOutcome::Refused);
}

// Patterns of any length are samples; adding and editing refuse another sample's address.
TEST_F(EntryDialogs, SamplesTakePatternsAndOneAddressOnce) {
  struct Case {
    const char *ip, *mac;
    int row;
    SampleOutcome outcome;
  } cases[] = {
      {"1.2.3.7", "00:1A:2B:3C:4D:5E", -1, SampleOutcome::Added},  // kept in the table's form
      {"*", "*", -1, SampleOutcome::Added},
      {"10.0.*", "00-1b-21-*", -1, SampleOutcome::Added},
      {"1.2.3", "*", -1, SampleOutcome::Invalid},
      {"1.2.3.8", "", -1, SampleOutcome::Invalid},
      {"1.2.3.7", "*", -1, SampleOutcome::Duplicate},
      {"1.2.3.7", "*", 1, SampleOutcome::Duplicate},  // editing into another's address
      {"1.2.3.9", "*", 5, SampleOutcome::Ignored},    // a row the list no longer has
      {"1.2.3.7", "*", 0, SampleOutcome::Replaced},   // its own address stays
  };
  for (const Case& c : cases) {
    const SampleStore s = storeSample(sampleFromTexts(c.ip, c.mac, "n"), c.row);
    EXPECT_EQ(s.outcome, c.outcome) << c.ip << " " << c.mac << " " << c.row;
  }
  EXPECT_EQ(readFile("samples.dat"), "1.2.3.7\t*\tn\r\n*\t*\tn\r\n10.0.*\t00-1b-21-*\tn\r\n");
}

// What each dialog refuses before anything is stored or written, and the message naming
// the field; the message boxes and the focus are proven under Wine.
TEST_F(EntryDialogs, FieldsThatHoldNoValueOfTheirKindAreRefused) {
  using F = EntryField;
  const char* const kSixBytes = "нужны шесть байтов, например 00-1a-2b-3c-4d-5e, или шаблон с *";
  const char* const kNoIp =
      "ни адрес, ни шаблон: четыре числа от 0 до 255 через точку, * вместо любых.";
  struct Case {
    const char *ip, *mac;
    EntryField sample;  // the sample dialog's OK (and 3010 without an empty MAC)
    EntryField arp;     // the ARP entry dialog's OK, 3008 and 3011
    const char* why;    // after the sample dialog's message for a MAC
  } cases[] = {
      {"10.88.0.2", "02-00-00-00-00-02", F::None, F::None, ""},
      {"10.88.0.2 ", "0200.0000.0002", F::None, F::None, ""},
      {"10.88.0.*", "02:00:00:00:*", F::None, F::Ip, ""},
      {"10.88.0.2", "*", F::None, F::Mac, ""},
      {"999.1.1.1", "02-00-00-00-00-02", F::Ip, F::Ip, ""},
      {"10.88.0.256*", "*", F::Ip, F::Ip, ""},
      {"224.0.0.22", "02-00-00-00-00-02", F::None, F::Ip, ""},
      {"10.88.0.2", "zz-zz-zz-zz-zz-zz", F::Mac, F::Mac, kSixBytes},
      {"10.88.0.2", "00-00-00-00-00-00", F::Mac, F::Mac, "нулевой адрес"},
      {"10.88.0.2", "FF-FF-FF-FF-FF-FF", F::Mac, F::Mac, "широковещательный адрес"},
      {"10.88.0.2", "01-00-5e-00-00-16", F::Mac, F::Mac, "групповой адрес"},
      {"10.88.0.2", "00-11-22-33", F::Mac, F::Mac, kSixBytes},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.ip) + " " + c.mac);
    SampleList.clear();
    const SampleStore s = storeSample(sampleFromTexts(c.ip, c.mac, "n"), -1);
    EXPECT_EQ(s.fault.field, c.sample);
    const std::string text =
        c.sample == F::Ip ? "Неверный IP-адрес: " + std::string(c.ip) + " — " + kNoIp
        : c.sample == F::Mac ? "Неверный MAC-адрес: " + std::string(c.mac) + " — " + c.why + "."
                             : "";
    EXPECT_EQ(s.fault.text, text);
    EXPECT_EQ(s.outcome, c.sample == F::None ? SampleOutcome::Added : SampleOutcome::Invalid);
    EXPECT_EQ(SampleList.size(), c.sample == F::None ? 1u : 0u);
    const FieldFault a = arpEntryFault(c.ip, c.mac);
    EXPECT_EQ(a.field, c.arp);
    EXPECT_EQ(a.text.empty(), c.arp == F::None);
    fake.setEntries.clear();
    EXPECT_EQ(addArpEntry(c.ip, c.mac) == ArpEntryOutcome::Written, c.arp == F::None);
    EXPECT_EQ(fake.setEntries.size(), c.arp == F::None ? 1u : 0u);
  }
  // A row found by name alone may still be added without a MAC (3010).
  const AddressEntry byName = sampleFromTexts("10.88.0.33", "", "epsilon.lab");
  EXPECT_EQ(sampleFault(byName, true).field, EntryField::None);
  EXPECT_EQ(sampleFault(byName, false).field, EntryField::Mac);
}

// One address written two ways is one sample: plain addresses and MACs are stored in one
// form, and the list is shown, the new row selected and only then the file written.
TEST_F(EntryDialogs, SamplesAreStoredInOneFormSoDuplicatesAreFound) {
  static std::vector<std::string> order;
  order.clear();
  auto select = [](int row) {
    order.push_back("select " + std::to_string(row) +
                    (readFile("samples.dat").empty() ? "" : " saved"));
  };
  EXPECT_EQ(storeSample(sampleFromTexts("10.88.0.2 ", "0200.0000.0002", "a"), -1, select).outcome,
            SampleOutcome::Added);
  EXPECT_EQ(order, std::vector<std::string>{"select 0"});
  EXPECT_EQ(storeSample(sampleFromTexts("010.088.000.002", "02-00-00-00-00-02", "b"), -1).outcome,
            SampleOutcome::Duplicate);
  EXPECT_EQ(readFile("samples.dat"), "10.88.0.2\t02-00-00-00-00-02\ta\r\n");
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

  // A long name is given whole to the edit.
  const std::string longName(200, 'n');
  fake.names[net("10.0.0.7")] = longName;
  EXPECT_EQ(requestMacAndName("10.0.0.7").hostName, longName);

  // The probes read the IP as OK does and give OK's answer: a text OK refuses asks nothing
  // and gets OK's message; a pattern and 0.0.0.0, which the sample's OK takes, ask nothing.
  fake.macAnswers[0xFFFFFFFFu] = fake.macAnswers[0] = {2, 0, 0, 0, 0, 9};
  const struct {
    const char* ip;
    bool sampleRefuses;  // the sample dialog's OK and probe; the ARP entry dialog refuses all
  } texts[] = {{"10.0.0.*", false}, {"0.0.0.0", false}, {"999.1.1.1", true}, {"10.77.5", true}};
  for (const auto& t : texts) {
    p = requestMacAndName(t.ip);
    const FieldFault ok = storeSample(sampleFromTexts(t.ip, "02-00-00-00-00-01", ""), -1).fault;
    EXPECT_FALSE(p.probed || p.macFound || p.nameFound || probeAsks(t.ip)) << t.ip;
    EXPECT_EQ(p.fault.text, t.sampleRefuses ? ok.text : "") << t.ip;
    char none[20] = "";
    EXPECT_EQ(requestMac(t.ip, none), MacRequest::Invalid) << t.ip;
    EXPECT_EQ(addArpEntry(t.ip, "02-00-00-00-00-01"), ArpEntryOutcome::Invalid) << t.ip;
  }
  EXPECT_EQ(arpEntryFault("10.77.5", "").text,
            "Неверный IP-адрес: 10.77.5 — нужны четыре числа от 0 до 255 через точку.");
  EXPECT_FALSE(requestMacAndName("1.2.3").probed);  // too short: nothing at all
  EXPECT_TRUE(fake.setEntries.empty());
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
