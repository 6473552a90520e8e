#include "base/address6.h"

#include <gtest/gtest.h>

#include <string>

// Each text as the reader takes it: its canonical form and zone, or "" when refused.
TEST(Address6, ReaderRefusesHostileTextAndWritesTheCanonicalForm) {
  struct Case {
    const char* text;
    const char* canonical;
    std::uint32_t zone = 0;
  };
  // clang-format off
  const Case cases[] = {
      {":::", ""}, {"1::2::3", ""}, {"1:2:3:4:5:6:7:8:9", ""}, {"12345::1", ""}, {"1:::2", ""},
      {":1::", ""}, {"1:2:3:4:5:6:7:8::", ""}, {"::2:3:4:5:6:7:8:9", ""}, {"g::1", ""}, {"", ""},
      {"::ffff:1.2.3", ""}, {"::ffff:1.2.3.256", ""}, {"::1.2.3.4:5", ""}, {"1.2.3.4::", ""},
      {"::ffff: 1.2.3.4", ""}, {"fe80::1%0", ""}, {"fe80::1%", ""}, {"fe80::1%x", ""},
      {"fe80::1%4294967296", ""}, {"fe80::1%+3", ""}, {"fe80::1%3%4", ""},
      {"fe80::1%4294967295", "fe80::1", 4294967295u}, {" FE80::1%12 ", "fe80::1", 12},
      {"2001:0DB8:0000:0000:0000:0000:0002:0001", "2001:db8::2:1"},
      {"2001:db8:0:1:1:1:1:1", "2001:db8:0:1:1:1:1:1"},  // one zero group stays
      {"2001:0:0:1:0:0:0:1", "2001:0:0:1::1"},           // the longest run
      {"2001:db8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},     // the first of equal runs
      {"::", "::"}, {"1::", "1::"}, {"1:2:3:4:5:6:7::", "1:2:3:4:5:6:7:0"},
      {"::1:2:3:4:5:6:7", "0:1:2:3:4:5:6:7"}, {"::ffff:192.0.2.1", "::ffff:192.0.2.1"},
      {"::FFFF:c000:201", "::ffff:192.0.2.1"}, {"1:2:3:4:5:6:1.2.3.4", "1:2:3:4:5:6:102:304"},
  };
  // clang-format on
  for (const Case& c : cases) {
    Ipv6Address a;
    std::uint32_t zone = 99;
    const bool read = readIpv6Text(c.text, a, &zone);
    EXPECT_EQ(read ? formatIpv6(a) : std::string(), c.canonical) << c.text;
    EXPECT_EQ(read ? zone : 0u, c.zone) << c.text;
    std::string out;
    EXPECT_EQ(canonicalIpv6Text(c.text, out), read && c.zone == 0) << c.text;  // no zone there
  }
}
