// `vetrel scan` on the console side: the operands it accepts. Rows printed in address order,
// journal lines on stderr and --json output are proven in the scan lab.
#include <gtest/gtest.h>

#include "app/linux/commands/scan_command.h"

namespace {

// The scan tab's reader: four numbers, never wrapping, leading zeros decimal; a short form
// is a typo, not an address.
TEST(ScanOperands, OnlyFourDottedNumbersUpTo255) {
  struct {
    const char* text;
    bool ok;
    std::uint32_t value;
  } const cases[] = {
      {"10.66.1.254", true, 0x0A4201FE},
      {"255.255.255.255", true, 0xFFFFFFFF},
      {"010.0.0.1", true, 0x0A000001},
      {"198.19.5.010", true, 0xC613050A},
      {"256.0.0.1", false, 0},
      {"10.0.0", false, 0},
      {"10.66.300", false, 0},
      {"999.1.1.1", false, 0},
      {"10.0.0.1.", false, 0},
      {"10.0.0.1.5", false, 0},
      {" 10.0.0.1", true, 0x0A000001},
      {"10.0.0.1x", false, 0},
      {"10..0.1", false, 0},
      {"0010.0.0.1", true, 0x0A000001},
      {"0x0a.0.0.1", false, 0},
      {"", false, 0},
  };
  for (const auto& c : cases) {
    std::uint32_t value = 7;
    EXPECT_EQ(parseScanAddress(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.ok ? c.value : 7u) << c.text;
  }
}

// The wording is proven in the scan lab; the seconds are not read there.
TEST(ScanOperands, SummaryLineSeconds) {
  EXPECT_EQ(scanSummaryLine(false, 200, 254, 254, 0.704),
            "scan done: 200 found, 254 of 254 addresses probed, 0.70 s");
}

}  // namespace
