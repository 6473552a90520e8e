#include "base/address_input.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr std::uint32_t kNo = 0xDEADBEEFu;  // "refused" in the tables below

TEST(AddressInput, ReadsIpv4TextOneWay) {
  struct Case {
    const char* text;
    std::uint32_t want;  // kNo: refused
  } cases[] = {
      {"10.88.0.2", 0x0A580002},
      {" 10.88.0.2 \t", 0x0A580002},
      {"\r\n\v\f10.88.0.2\r\n\v\f", 0x0A580002},  // as a shell or file leaves it
      {"010.088.000.002", 0x0A580002},            // leading zeros are decimal
      {"255.255.255.255", 0xFFFFFFFF},
      {"10.88.3", kNo} /* a short form is a typo */,
      {"10.70000", kNo},
      {"00000000000000000010.0.0.1", 0x0A000001},
  };
  // A number past its field's range is never wrapped.
  const char* const refused[] = {
      "10.88.65536",     "10.16777216", "999.1.1.1",  "1.256.3.4",  "1.2.3.256",  "10.88.0.1.5",
      "abc.def.ghi.jkl", "10.88.0.-1",  "+10.88.0.1", "0x0a.0.0.1", "1..2.3",     "10.88.0.",
      "10.88 .0.1",      "10.88.0.*",   "",           "  ",         "99999999999"};
  for (const char* text : refused) {
    std::uint32_t v = 0;
    EXPECT_FALSE(readIpv4Text(text, v)) << text;
  }
  for (const Case& c : cases) {
    std::uint32_t v = kNo;
    const bool read = readIpv4Text(c.text, v);
    EXPECT_EQ(read, c.want != kNo) << c.text;
    if (read) {
      EXPECT_EQ(v, c.want) << c.text;
    }
  }
}

TEST(AddressInput, ReadsMacTextInEveryUsualForm) {
  struct Case {
    const char* text;
    const char* canonical;
  } cases[] = {
      {"02-00-00-00-00-77", "02-00-00-00-00-77"}, {"02:00:00:00:00:77", "02-00-00-00-00-77"},
      {"0200.0000.0077", "02-00-00-00-00-77"},    {"020000000077", "02-00-00-00-00-77"},
      {"AA-bb-CC-dd-EE-ff", "aa-bb-cc-dd-ee-ff"}, {"AABB.CCDD.EEFF ", "aa-bb-cc-dd-ee-ff"},
      {"2-0-0-0-0-77", "02-00-00-00-00-77"},      {"2:0:a:B:c:7", "02-00-0a-0b-0c-07"},
  };
  // One separator throughout, six bytes of one or two hex digits, nothing else.
  for (const char* text : {"02-00:00-00-00-77", "002-0-0-0-0-77", "2-0-0-0-0-", "zz-zz-zz-zz-zz-zz",
                           "02-00-00-00-00", "02-00-00-00-00-77-88", "0200.0000.007", "02000000007",
                           "02-00-00-00-00-*", "epsilon.lab", ""}) {
    char out[20] = "unchanged";
    EXPECT_FALSE(canonicalMacText(text, out)) << text;
    EXPECT_STREQ(out, "unchanged") << text;
  }
  for (const Case& c : cases) {
    char out[20] = "unchanged";
    EXPECT_TRUE(canonicalMacText(c.text, out)) << c.text;
    EXPECT_STREQ(out, c.canonical) << c.text;
  }
}

TEST(AddressInput, TellsPatternsAndFaults) {
  struct Case {
    const char* text;
    bool ipPattern;
    bool macPattern;
    IpFault ip;
    MacFault mac;
  } cases[] = {
      // Dotted numbers are hex digits too, so they are MAC patterns as well.
      {"10.88.0.*", true, true, IpFault::NotAddress, MacFault::Pattern},
      {"*", true, true, IpFault::NotAddress, MacFault::Pattern},
      {"10.*", true, true, IpFault::NotAddress, MacFault::Pattern},
      {"10.88.0.1*", true, true, IpFault::NotAddress, MacFault::Pattern},
      {"10.88.0.256*", false, true, IpFault::NotAddress, MacFault::Pattern},
      {"10..*", false, true, IpFault::NotAddress, MacFault::Pattern},
      {"1.2.3.4.*", false, true, IpFault::NotAddress, MacFault::Pattern},
      {"10.88.0.1", false, false, IpFault::None, MacFault::NotMac},
      {"0.0.0.0", false, false, IpFault::Zero, MacFault::NotMac},
      {"224.0.0.22", false, false, IpFault::Multicast, MacFault::NotMac},
      {"239.255.255.250", false, false, IpFault::Multicast, MacFault::NotMac},
      {"255.255.255.255", false, false, IpFault::Broadcast, MacFault::NotMac},
      {"02-00-*", false, true, IpFault::NotAddress, MacFault::Pattern},
      {"02:00:*", false, true, IpFault::NotAddress, MacFault::Pattern},
      {"02-00:*", false, false, IpFault::NotAddress, MacFault::NotMac},  // matches no form
      {"zz-*", false, false, IpFault::NotAddress, MacFault::NotMac},
      {"02-00-00-00-00-77", false, false, IpFault::NotAddress, MacFault::None},
      {"00-00-00-00-00-00", false, false, IpFault::NotAddress, MacFault::Zero},
      {"ff:ff:ff:ff:ff:ff", false, false, IpFault::NotAddress, MacFault::Broadcast},
      {"0100.5e00.0016", false, false, IpFault::NotAddress, MacFault::Multicast},
      {"333300000001", false, false, IpFault::NotAddress, MacFault::Multicast},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isIpPattern(c.text), c.ipPattern) << c.text;
    EXPECT_EQ(isMacPattern(c.text), c.macPattern) << c.text;
    EXPECT_EQ(ipTextFault(c.text), c.ip) << c.text;
    EXPECT_EQ(macTextFault(c.text), c.mac) << c.text;
    std::uint32_t v;
    if (readIpv4Text(c.text, v)) {
      EXPECT_EQ(isUnicastIpv4(v), c.ip == IpFault::None) << c.text;
    }
    std::uint8_t b[6];
    if (readMacText(c.text, b)) {
      EXPECT_EQ(isUnicastMac(b), c.mac == MacFault::None) << c.text;
    }
  }
}

}  // namespace
