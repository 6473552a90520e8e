#include "scan/range_offer.h"

#include <gtest/gtest.h>

#include "base/address.h"
#include "route/adapters.h"

namespace {

std::uint32_t ip(const char* text) { return parseIpv4(text); }

}  // namespace

TEST(RangeOffer, TheFirstAddressedAdaptersHosts) {
  struct Case {
    std::vector<LocalAddress> addresses;
    bool offered;
    const char *first, *last;
  };
  const Case cases[] = {
      {{{1, ip("10.77.0.1"), ip("255.255.255.0")}, {2, ip("10.9.0.1"), ip("255.0.0.0")}},
       true,
       "10.77.0.1",
       "10.77.0.254"},
      {{{1, 0, 0},
        {1, ip("127.0.0.1"), ip("255.0.0.0")},
        {2, ip("192.168.5.77"), ip("255.255.255.240")}},
       true,
       "192.168.5.65",
       "192.168.5.78"},
      {{{1, ip("10.1.2.3"), ip("255.0.0.0")}}, true, "10.1.0.1", "10.1.255.254"},  // a /16 at most
      {{{1, ip("10.1.2.3"), ip("255.255.255.254")}}, true, "10.1.2.2", "10.1.2.3"},
      {{{1, ip("10.1.2.3"), ip("255.255.255.255")}}, true, "10.1.2.3", "10.1.2.3"},
      {{{1, ip("10.1.2.3"), 0}}, false, "", ""},
      {{}, false, "", ""},
  };
  for (const Case& c : cases) {
    LocalAddressList = c.addresses;
    OfferedRange r;
    ASSERT_EQ(offeredScanRange(r), c.offered) << c.first;
    if (!c.offered) continue;
    EXPECT_EQ(r.first, ip(c.first));
    EXPECT_EQ(r.last, ip(c.last));
  }
  LocalAddressList.clear();
}
