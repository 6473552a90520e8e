// The check's lookups must give what a scan of the lists in order gives.
#include "arp/check_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "address_fixture.h"
#include "base/text_field.h"

namespace {

int scanFirstIp(const AddressList& samples, std::string_view ip) {
  for (std::size_t i = 0; i < samples.size(); ++i)
    if (matchPattern(fieldView(samples[i].ipText), ip)) return static_cast<int>(i);
  return -1;
}

bool scanHasMac(const AddressList& samples, std::string_view mac) {
  for (const AddressEntry& s : samples)
    if (sameMacText(fieldView(s.macText), mac)) return true;
  return false;
}

std::string randomIp(std::minstd_rand& g) {
  return "10.0." + std::to_string(g() % 4) + "." + std::to_string(g() % 12);
}

std::string randomIpPattern(std::minstd_rand& g) {
  static const char* const patterns[] = {"10.0.1.*",  "10.0.*",  "*.5",  "10.*.1",    "*",
                                         "10.0.2.1*", "*0.0.3*", "11.*", "10.0.0.1*1"};
  return patterns[g() % std::size(patterns)];
}

// Hex digits in either case, as users copy them from other tools.
std::string randomMac(std::minstd_rand& g) {
  static const char* const tails[] = {"0a", "0A", "0b", "0B", "1c", "1C", "2f", "2F", "30"};
  return std::string(g() % 2 ? "00-AA-" : "00-aa-") + "00-00-00-" + tails[g() % std::size(tails)];
}

}  // namespace

TEST(SampleIndexTest, AgreesWithAScanInOrderAlsoAfterAppends) {
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    std::minstd_rand g(seed);
    AddressList samples;
    const int n = static_cast<int>(g() % 60);
    for (int i = 0; i < n; ++i)
      samples.push_back(
          addressEntry(g() % 4 == 0 ? randomIpPattern(g) : randomIp(g), randomMac(g)));
    SampleIndex index;
    for (int round = 0; round < 60; ++round) {
      const std::string ip = randomIp(g), mac = randomMac(g);
      ASSERT_EQ(index.firstIpMatch(samples, ip), scanFirstIp(samples, ip))
          << "seed " << seed << " ip " << ip;
      ASSERT_EQ(index.hasMac(samples, mac), scanHasMac(samples, mac));
      // The check appends learned samples; sometimes a pattern, to cover that path too.
      samples.push_back(
          addressEntry(g() % 5 == 0 ? randomIpPattern(g) : randomIp(g), randomMac(g)));
      index.appended(samples, static_cast<int>(samples.size()) - 1);
    }
    index.invalidate();
    samples.push_back(addressEntry("10.0.9.9", "x"));
    EXPECT_EQ(index.firstIpMatch(samples, "10.0.9.9"), scanFirstIp(samples, "10.0.9.9"));
  }
}

TEST(BindingIndexTest, FirstEqualBindingAndStaleness) {
  AddressList list = {addressEntry("10.0.0.1", "a", "d"), addressEntry("10.0.0.1", "a", "s"),
                      addressEntry("10.0.0.2", "a", "d"), addressEntry("10.0.0.1", "a", "d")};
  BindingIndex index;
  EXPECT_FALSE(index.builtFor(list));
  index.build(list);
  EXPECT_TRUE(index.builtFor(list));
  EXPECT_EQ(index.find(list, addressEntry("10.0.0.1", "a", "d")), 0);
  EXPECT_EQ(index.find(list, addressEntry("10.0.0.1", "a", "s")), 1);
  EXPECT_EQ(index.find(list, addressEntry("10.0.0.2", "a", "s")), -1);
  EXPECT_EQ(index.find(list, addressEntry("10.0.0.1", "b", "d")), -1);
  list.push_back(addressEntry("x", "y"));
  EXPECT_FALSE(index.builtFor(list));
  index.build(list);
  index.invalidate();
  EXPECT_FALSE(index.builtFor(list));

  AddressList empty;
  index.build(empty);
  EXPECT_EQ(index.find(empty, addressEntry("10.0.0.1", "a", "d")), -1);

  // Many entries: every one is found at its own first position.
  AddressList big;
  for (int i = 0; i < 5000; ++i) big.push_back(addressEntry("10." + std::to_string(i), "m", "d"));
  index.build(big);
  for (int i = 0; i < 5000; i += 7) EXPECT_EQ(index.find(big, big[i]), i);
}
