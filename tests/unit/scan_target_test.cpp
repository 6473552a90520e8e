// `vetrel scan`'s targets: arp-scan's forms beside FROM [TO], and how much of a range the
// interfaces' subnets reach.
#include "app/linux/commands/scan_target.h"

#include <gtest/gtest.h>

TEST(ScanTargets, RangesNetworksAndTheirRefusals) {
  struct {
    std::vector<std::string> operands;
    std::uint32_t first, last;
    const char* error;  // the start of it; "" for none
  } const cases[] = {
      {{"10.66.0.0/24"}, 0x0A420001, 0x0A4200FE, ""},
      {{"10.66.0.77/30"}, 0x0A42004D, 0x0A42004E, ""},
      {{"10.66.0.7/31"}, 0x0A420006, 0x0A420007, ""},
      {{"10.66.0.7/32"}, 0x0A420007, 0x0A420007, ""},
      {{"10.66.0.0/16"}, 0x0A420001, 0x0A42FFFE, ""},
      {{"10.66.0.0/15"}, 0, 0, "the range 10.66.0.1 to 10.67.255.254 holds 131070"},
      {{"10.66.0.0/33"}, 0, 0, "'10.66.0.0/33': the prefix"},
      {{"10.66.0.0/"}, 0, 0, "'10.66.0.0/': the prefix"},
      {{"10.66.0.1-10.66.0.254"}, 0x0A420001, 0x0A4200FE, ""},
      {{"10.66.0.9-10.66.0.1"}, 0, 0, "the last address 10.66.0.1 lies below"},
      {{"10.66.0.1-"}, 0, 0, "'' is not an IPv4 address"},
      {{"10.66.0.1", "10.66.0.3"}, 0x0A420001, 0x0A420003, ""},
      {{"10.66.0.0/24", "10.66.1.1"}, 0, 0, "'10.66.1.1' follows a whole range"},
  };
  for (const auto& c : cases) {
    const ScanTarget t = readScanTarget(c.operands);
    EXPECT_EQ(t.error.substr(0, std::string(c.error).size()), c.error) << c.operands[0];
    if (c.error[0] != 0) continue;
    EXPECT_EQ(t.first, c.first) << c.operands[0];
    EXPECT_EQ(t.last, c.last) << c.operands[0];
  }
  const std::vector<ScanSubnet> subnets = {
      {"a", 0x0A420001, 0xFFFFFF00}, {"b", 0x0A420101, 0xFFFFFF00}, {"c", 0x0A420081, 0xFFFFFF80}};
  EXPECT_EQ(addressesOnSubnets(0x0A4200FA, 0x0A420205, subnets), 262u);  // c inside a: once
  EXPECT_EQ(addressesOnSubnets(0x0B000000, 0x0B0000FF, subnets), 0u);
  EXPECT_EQ(subnetsText(subnets), "a 10.66.0.1/24, b 10.66.1.1/24, c 10.66.0.129/25");
}
