#include "scan/range_offer.h"

#include <gtest/gtest.h>

#include "base/address.h"
#include "route/adapters.h"

namespace {

std::uint32_t ip(const char* text) { return parseIpv4(text); }
LocalAddress at(std::int32_t index, const char* address, int prefix) {
  return {index, ip(address), prefix ? ~0u << (32 - prefix) : 0};
}

}  // namespace

TEST(RangeOffer, TheFirstAddressedAdaptersHosts) {
  struct Case {
    std::vector<LocalAddress> addresses;
    const char *first, *last;  // "" none offered
  };
  const Case cases[] = {
      {{at(1, "10.77.0.1", 24), at(2, "10.9.0.1", 8)}, "10.77.0.1", "10.77.0.254"},
      {{{1, 0, 0}, at(1, "127.0.0.1", 8), at(2, "192.168.5.77", 28)},
       "192.168.5.65",
       "192.168.5.78"},
      {{at(1, "10.1.2.3", 8)}, "10.1.0.1", "10.1.255.254"},  // a /16 at most
      {{at(1, "10.1.2.3", 31)}, "10.1.2.2", "10.1.2.3"},
      {{at(1, "10.1.2.3", 32)}, "10.1.2.3", "10.1.2.3"},
      {{at(1, "10.1.2.3", 0)}, "", ""},
      {{}, "", ""},
  };
  for (const Case& c : cases) {
    LocalAddressList = c.addresses;
    OfferedRange r;
    ASSERT_EQ(offeredScanRange(r), *c.first != 0) << c.first;
    if (!*c.first) continue;
    EXPECT_EQ(r.first, ip(c.first));
    EXPECT_EQ(r.last, ip(c.last));
  }
  LocalAddressList.clear();
}
