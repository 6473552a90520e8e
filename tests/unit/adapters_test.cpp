#include "route/adapters.h"

#include <gtest/gtest.h>

#include <string>

#include "base/address.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "settings/settings.h"

namespace {

class AdaptersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    installUiRecorder();
    settings = Settings{};
    LocalAdapterList.clear();
    LocalAddressList.clear();
  }
};

PlatformAdapter adapter(std::int32_t index, const char* description) {
  PlatformAdapter a;
  a.index = index;
  a.name = std::string("{name-") + description + "}";
  a.description = description;
  const std::uint8_t mac[6] = {0x00, 0x1A, 0x2b, 0xC3, 0xd4, 0xFF};
  std::copy(mac, mac + 6, a.mac);
  a.macLength = 6;
  return a;
}

TEST_F(AdaptersTest, TwoAddressesOnOneAdapterGiveTwoRecordsAndTwoLines) {
  PlatformAdapter a = adapter(7, "Сетевой адаптер");
  a.addresses = {{"192.168.1.10", "255.255.255.0"}, {"10.1.2.3", "255.0.0.0"}};
  PlatformAdapter b = adapter(12, "Wi-Fi");
  b.addresses = {{"172.16.0.5", "255.255.0.0"}};
  fake.adapters = {a, b};

  ASSERT_TRUE(discoverAdapters());
  ASSERT_EQ(LocalAdapterList.size(), 2u);
  EXPECT_EQ(LocalAdapterList[0].index, 7);
  EXPECT_STREQ(LocalAdapterList[0].name, "{name-Сетевой адаптер}");
  EXPECT_STREQ(LocalAdapterList[0].description, "Сетевой адаптер");
  EXPECT_STREQ(LocalAdapterList[0].macText, "00-1a-2b-c3-d4-ff");
  EXPECT_EQ(LocalAdapterList[1].index, 12);

  ASSERT_EQ(LocalAddressList.size(), 3u);
  EXPECT_EQ(LocalAddressList[0].index, 7);
  EXPECT_EQ(LocalAddressList[0].address, 0xC0A8010Au);
  EXPECT_EQ(LocalAddressList[0].mask, 0xFFFFFF00u);
  EXPECT_EQ(LocalAddressList[1].index, 7);
  EXPECT_EQ(LocalAddressList[1].address, 0x0A010203u);
  EXPECT_EQ(LocalAddressList[2].index, 12);

  ASSERT_EQ(ui.windowLines.size(), 3u);
  EXPECT_EQ(ui.windowLines[0],
            "14:07:09 Адаптер: Сетевой адаптер, IP: 192.168.1.10, Маска: 255.255.255.0\r\n");
  EXPECT_EQ(ui.windowLines[1],
            "14:07:09 Адаптер: Сетевой адаптер, IP: 10.1.2.3, Маска: 255.0.0.0\r\n");
  EXPECT_EQ(ui.popUps, 0);  // Info
}

TEST_F(AdaptersTest, LongFieldsAreCutAndBadTextsReadAsZero) {
  PlatformAdapter a = adapter(1, "");
  a.name = std::string(300, 'n');
  a.description = std::string(200, 'd');
  a.addresses = {{"not an address", "255.255"}};
  fake.adapters = {a};
  ASSERT_TRUE(discoverAdapters());
  EXPECT_EQ(std::string(LocalAdapterList[0].name), std::string(259, 'n'));
  EXPECT_EQ(std::string(LocalAdapterList[0].description), std::string(131, 'd'));
  EXPECT_EQ(LocalAddressList[0].address, 0u);
  EXPECT_EQ(LocalAddressList[0].mask, 0u);
}

TEST_F(AdaptersTest, NoAdapterInformationFails) {
  EXPECT_FALSE(discoverAdapters());  // the system lists none
  fake.adapters = {adapter(1, "x")};
  fake.adaptersError = 111;
  EXPECT_FALSE(discoverAdapters());
  EXPECT_TRUE(LocalAdapterList.empty());
  EXPECT_TRUE(ui.windowLines.empty());
}

}  // namespace
