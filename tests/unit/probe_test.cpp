#include "scan/probe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/address.h"
#include "fake/fake_platform.h"

namespace {

class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override { resetFake(); }
  const std::uint32_t host = hostToNetwork(parseIpv4("10.0.0.7"));
};

TEST_F(ProbeTest, MacTextAlwaysHasSixBytesWithUnfilledOnesReadingFf) {
  char mac[20];
  fake.macAnswers[host] = {0x00, 0x0c, 0x29, 0xAB, 0xcd, 0xEF};
  ASSERT_TRUE(probeMac(host, mac));
  EXPECT_STREQ(mac, "00-0c-29-ab-cd-ef");

  fake.macAnswers[host] = {0x02, 0x42, 0x00, 0x01};
  ASSERT_TRUE(probeMac(host, mac));
  EXPECT_STREQ(mac, "02-42-00-01-ff-ff");
  EXPECT_EQ(std::strlen(mac), 17u);
}

TEST_F(ProbeTest, NoAnswerLeavesNoText) {
  char mac[20] = "untouched";
  EXPECT_FALSE(probeMac(host, mac));
  char name[64] = "untouched";
  EXPECT_FALSE(probeName(host, name, sizeof name));
  EXPECT_STREQ(name, "untouched");
}

TEST_F(ProbeTest, NameIsCutToTheCapacity) {
  const std::string seventy = std::string(60, 'h') + ".example.o";
  ASSERT_EQ(seventy.size(), 70u);
  fake.names[host] = seventy;
  char name[64];
  std::memset(name, 'X', sizeof name);
  ASSERT_TRUE(probeName(host, name, sizeof name));
  EXPECT_EQ(std::string(name), seventy.substr(0, 63));
  fake.names[host] = "gw.lan";
  ASSERT_TRUE(probeName(host, name, sizeof name));
  EXPECT_STREQ(name, "gw.lan");
}

}  // namespace
