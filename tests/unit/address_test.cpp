#include "base/address.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "address_fixture.h"
#include "base/mac_match.h"
#include "base/text_field.h"

namespace {

std::uint32_t ip4(unsigned a, unsigned b, unsigned c, unsigned d) {
  return a << 24 | b << 16 | c << 8 | d;
}

}  // namespace

TEST(ParseIpv4, ReadsAsScanfDoes) {
  EXPECT_EQ(parseIpv4("192.168.1.10"), ip4(192, 168, 1, 10));
  EXPECT_EQ(parseIpv4(" 10. +2.\t3.4 trailing"), ip4(10, 2, 3, 4));
  EXPECT_EQ(parseIpv4("1.2.3.4.5"), ip4(1, 2, 3, 4));
  EXPECT_EQ(parseIpv4("1.2.3.4x"), ip4(1, 2, 3, 4));
  // Fewer than four numbers.
  EXPECT_EQ(parseIpv4("192.168.1.*"), 0u);
  EXPECT_EQ(parseIpv4("1.2.3"), 0u);
  EXPECT_EQ(parseIpv4("1 .2.3.4"), 0u);  // the dot is literal: no blank before it
  EXPECT_EQ(parseIpv4(""), 0u);
  EXPECT_EQ(parseIpv4("*"), 0u);
  EXPECT_EQ(parseIpv4("1.2.-.4"), 0u);
  EXPECT_EQ(parseIpv4(static_cast<const char*>(nullptr)), 0u);
  // Unmasked OR: 300 spills its ninth bit into the third byte, a negative fills everything.
  EXPECT_EQ(parseIpv4("1.2.3.300"), ip4(1, 2, 3, 44));
  EXPECT_EQ(parseIpv4("0.0.0.-1"), 0xffffffffu);
  EXPECT_EQ(parseIpv4("256.0.0.1"), ip4(0, 0, 0, 1));  // 256 << 24 leaves the word
  // A view is never read past its end.
  EXPECT_EQ(parseIpv4(std::string_view("1.2.3.45", 7)), ip4(1, 2, 3, 4));
}

TEST(FormatIpv4, NetworkAndHostOrder) {
  char out[20];
  const std::uint8_t bytes[4] = {192, 168, 0, 255};
  std::uint32_t net;
  std::memcpy(&net, bytes, 4);
  formatIpv4(net, out);
  EXPECT_STREQ(out, "192.168.0.255");
  formatIpv4Host(ip4(10, 0, 20, 3), out);
  EXPECT_STREQ(out, "10.0.20.3");
  formatIpv4Host(0, out);
  EXPECT_STREQ(out, "0.0.0.0");
  formatIpv4Host(ip4(100, 199, 200, 99), out);  // each digit count at its edge
  EXPECT_STREQ(out, "100.199.200.99");

  EXPECT_EQ(networkToHost(net), ip4(192, 168, 0, 255));
  EXPECT_EQ(hostToNetwork(networkToHost(net)), net);
  formatIpv4Host(parseIpv4("255.255.255.255"), out);
  EXPECT_STREQ(out, "255.255.255.255");
}

TEST(MacText, FormatAndParse) {
  char out[20];
  const std::uint8_t mac[6] = {0x00, 0x1a, 0x2b, 0xc3, 0xfd, 0x5e};
  formatMac(mac, out);
  EXPECT_STREQ(out, "00-1a-2b-c3-fd-5e");

  std::uint8_t b[6] = {};
  EXPECT_EQ(parseMac("00-1A-2b-C3-fd-5E", b), 6);
  EXPECT_EQ(0, std::memcmp(b, mac, 6));
  // Low eight bits of each number; blanks and a 0x prefix as scanf takes them.
  EXPECT_EQ(parseMac("1ff- 0x2-3-4-5-6", b), 6);
  EXPECT_EQ(b[0], 0xff);
  EXPECT_EQ(b[1], 0x02);
  // A pattern gives only its leading numbers; the rest stay as the caller set them.
  std::uint8_t p[6] = {9, 9, 9, 9, 9, 9};
  EXPECT_EQ(parseMac("00-1a-*", p), 2);
  EXPECT_EQ(p[0], 0x00);
  EXPECT_EQ(p[1], 0x1a);
  EXPECT_EQ(p[2], 9);
  EXPECT_EQ(parseMac("*", p), 0);
  EXPECT_EQ(parseMac("zz", p), 0);
  EXPECT_EQ(parseMac(static_cast<const char*>(nullptr), p), 0);
  EXPECT_EQ(parseMac("11:22:33:44:55:66", p), 1);
}

TEST(MatchPattern, WildcardsAndTheLastSegmentRule) {
  EXPECT_TRUE(matchPattern("192.168.1.*", "192.168.1.15"));
  EXPECT_FALSE(matchPattern("192.168.1.*", "192.168.10.1"));
  EXPECT_TRUE(matchPattern("*", ""));
  EXPECT_TRUE(matchPattern("*-5e", "00-1a-2b-3c-4d-5e"));
  EXPECT_TRUE(matchPattern("00-1a-*", "00-1a-2b-3c-4d-5e"));
  EXPECT_FALSE(matchPattern("00-1b-*", "00-1a-2b-3c-4d-5e"));
  // The first segment must be at the start, a middle one anywhere after the cursor.
  EXPECT_FALSE(matchPattern("1a-*", "00-1a-2b"));
  EXPECT_TRUE(matchPattern("*1a*", "00-1a-2b"));
  EXPECT_TRUE(matchPattern("00*2b*", "00-1a-2b-3c"));
  EXPECT_FALSE(matchPattern("00*2b*1a*", "00-1a-2b-3c"));  // no 1a after 2b
  EXPECT_TRUE(matchPattern("a**b", "ab"));
  // The last segment is held against the end and may overlap what was matched before.
  EXPECT_TRUE(matchPattern("10.0.0.1*1", "10.0.0.1"));
  EXPECT_TRUE(matchPattern("abc*bc", "abc"));
  EXPECT_FALSE(matchPattern("abc*bcd", "abc"));
  EXPECT_FALSE(matchPattern("*a", ""));
  EXPECT_FALSE(matchPattern("*abcd", "abc"));
  // No star: plain equality, case-sensitive.
  EXPECT_TRUE(matchPattern("10.0.0.1", "10.0.0.1"));
  EXPECT_FALSE(matchPattern("10.0.0.1", "10.0.0.10"));
  EXPECT_FALSE(matchPattern("00-1A-2B-3C-4D-5E", "00-1a-2b-3c-4d-5e"));
  EXPECT_TRUE(matchPattern("", ""));
  // 31 characters is the limit for both.
  const std::string t31(31, 'x'), t32(32, 'x');
  EXPECT_TRUE(matchPattern("*", t31.c_str()));
  EXPECT_FALSE(matchPattern("*", t32.c_str()));
  EXPECT_TRUE(matchPattern(t31.c_str(), t31.c_str()));
  EXPECT_FALSE(matchPattern((t31 + "*").c_str(), t31.c_str()));
}

TEST(MatchPattern, MacTextsFoldOnlyTheirHexDigits) {
  struct Case {
    const char* pattern;
    const char* text;
    bool match;
  } const cases[] = {
      {"00-1A-2B-3C-4D-5E", "00-1a-2b-3c-4d-5e", true},  // ipconfig /all writes them so
      {"00-1a-2b-3c-4d-5e", "00-1A-2B-3C-4D-5E", true},
      {"00-1A-*", "00-1a-2b-3c-4d-5e", true},
      {"*-4D-5e", "00-1a-2b-3c-4d-5E", true},
      {"00-1B-*", "00-1a-2b-3c-4d-5e", false},
      {"00-1G-*", "00-1g-2b", false},         // G is no hex digit: compared as it is
      {"001A.*", "00-1a-2b-3c-4d-5e", true},  // every form matches in its own form
      {"*2B3C4D5E", "00:1a:2b:3c:4d:5e", true},
      {"00:1a:*", "001a2b3c4d5e", true},
      {"*.4D5F", "00-1a-2b-3c-4d-5e", false},
      {"*", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},  // 32: the length limit holds
  };
  for (const Case& c : cases) {
    EXPECT_EQ(matchMacPattern(c.pattern, c.text), c.match) << c.pattern << " " << c.text;
    if (!std::strchr(c.pattern, '*')) {
      EXPECT_EQ(sameMacText(c.pattern, c.text), c.match) << c.pattern;
    }
  }
  EXPECT_FALSE(sameMacText("00-1a", "00-1a-"));
  // IP patterns stay byte for byte.
  EXPECT_FALSE(matchPattern("00-1A-*", "00-1a-2b-3c-4d-5e"));
}

TEST(AddressEntryOps, SameBindingAndOrderings) {
  AddressEntry a = addressEntry("10.0.0.1", "00-11-22-33-44-55", kTypeDynamic, "alpha");
  AddressEntry b = addressEntry("10.0.0.1", "00-11-22-33-44-55", kTypeDynamic, "beta");
  b.ipValue = 7;
  b.probeState = 1;
  EXPECT_TRUE(sameBinding(a, b));
  b.typeText[0] = kTypeStatic[0];
  EXPECT_FALSE(sameBinding(a, b));
  // Bytes after a terminator do not count.
  AddressEntry c = a;
  copyField(c.macText, "00-11-22-33-44-55-66");
  copyField(c.macText, "00-11-22-33-44-55");
  EXPECT_TRUE(sameBinding(a, c));

  // Static (0xF1) before dynamic (0xE4); patterns with '*' parse as 0 and come first.
  AddressList list = {addressEntry("10.0.0.2", "bb", kTypeDynamic, "b"),
                      addressEntry("10.0.0.*", "aa", "", "a"),
                      addressEntry("9.255.0.1", "AA", kTypeStatic, "\xff"),
                      addressEntry("200.1.1.1", "\xe0", kTypeDynamic, "")};
  std::sort(list.begin(), list.end(), lessByIp);
  EXPECT_STREQ(list[0].ipText, "10.0.0.*");
  EXPECT_STREQ(list[1].ipText, "9.255.0.1");
  EXPECT_STREQ(list[3].ipText, "200.1.1.1");  // unsigned: 200 is above 127
  std::sort(list.begin(), list.end(), greaterByType);
  EXPECT_STREQ(list[0].typeText, kTypeStatic);
  EXPECT_STREQ(list[3].typeText, "");
  std::sort(list.begin(), list.end(), lessByMac);
  EXPECT_STREQ(list[0].macText, "AA");    // upper case sorts before lower case
  EXPECT_STREQ(list[3].macText, "\xe0");  // bytes compare unsigned
  std::sort(list.begin(), list.end(), lessByName);
  EXPECT_STREQ(list[0].hostName, "");
  EXPECT_STREQ(list[3].hostName, "\xff");
}

TEST(TextField, CopiesCutAtCapacityOrZeroAndTakeEmptyViews) {
  char f[4] = {'x', 'x', 'x', 'x'};
  copyField(f, std::string_view());  // no pointer behind it
  EXPECT_STREQ(f, "");
  copyField(f, "abcdef");
  EXPECT_STREQ(f, "abc");
  copyField(f, std::string_view("a\0bc", 4));
  EXPECT_STREQ(f, "a");
  copyField(f, static_cast<const char*>(nullptr));
  EXPECT_STREQ(f, "");
}
