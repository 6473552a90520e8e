// DPAPI with the machine key, and the password's stored hex form over it.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/text_field.h"
#include "platform/settings_platform.h"
#include "platform/win32/unique_resource.h"
#include "settings/settings.h"
#include "test_support.h"

namespace {

std::vector<std::uint8_t> bytes(const char* text, bool withZero) {
  return std::vector<std::uint8_t>(text, text + std::strlen(text) + (withZero ? 1 : 0));
}

const std::vector<std::uint8_t> kEntropy = bytes("KOVALIN_TREZ_PORMA", true);

}  // namespace

TEST(DataProtection, RoundTripNeedsTheSameEntropy) {
  const std::vector<std::uint8_t> plain = bytes("s3cret", true);
  std::vector<std::uint8_t> blob;
  ASSERT_TRUE(platform::protectData(plain, kEntropy, blob));
  EXPECT_GT(blob.size(), plain.size());

  std::vector<std::uint8_t> back;
  ASSERT_TRUE(platform::unprotectData(blob, kEntropy, back));
  EXPECT_EQ(back, plain);

  std::vector<std::uint8_t> other = kEntropy;
  other[0] ^= 1;
  EXPECT_FALSE(platform::unprotectData(blob, other, back));
  EXPECT_FALSE(platform::unprotectData(blob, {}, back));

  // Wine checks the cipher text and signature at the block's end, not every header byte.
  std::vector<std::uint8_t> damaged = blob;
  damaged.back() ^= 0x40;
  EXPECT_FALSE(platform::unprotectData(damaged, kEntropy, back));
  damaged = blob;
  damaged[damaged.size() - 30] ^= 0x01;
  EXPECT_FALSE(platform::unprotectData(damaged, kEntropy, back));
  damaged = blob;
  damaged.pop_back();
  EXPECT_FALSE(platform::unprotectData(damaged, kEntropy, back));
  EXPECT_FALSE(platform::unprotectData({}, kEntropy, back));
}

TEST(DataProtection, BlockCarriesTheDescriptionAmpersand) {
  std::vector<std::uint8_t> blob;
  ASSERT_TRUE(platform::protectData(bytes("pw", true), kEntropy, blob));
  DATA_BLOB in{static_cast<DWORD>(blob.size()), blob.data()};
  DATA_BLOB extra{static_cast<DWORD>(kEntropy.size()), const_cast<BYTE*>(kEntropy.data())};
  DATA_BLOB out{};
  LPWSTR description = nullptr;
  ASSERT_TRUE(CryptUnprotectData(&in, &description, &extra, nullptr, nullptr,
                                 CRYPTPROTECT_UI_FORBIDDEN, &out));
  UniqueHlocal outOwned(out.pbData), descriptionOwned(description);
  ASSERT_NE(description, nullptr);
  EXPECT_EQ(std::wstring(description), L"&");
}

TEST(DataProtection, PasswordHexFormRoundTrip) {
  const std::string hex = protectPassword("mail-Пароль-31-characters-long");
  ASSERT_FALSE(hex.empty());
  EXPECT_EQ(hex.size() % 2, 0u);
  EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos);

  char plain[32] = "junk";
  ASSERT_TRUE(unprotectPassword(hex.c_str(), plain));
  EXPECT_STREQ(plain, "mail-Пароль-31-characters-long");

  std::string damaged = hex;
  damaged.back() = damaged.back() == '0' ? '1' : '0';
  EXPECT_FALSE(unprotectPassword(damaged.c_str(), plain));
  EXPECT_STREQ(plain, "");
}

TEST(DataProtection, StoredPasswordSurvivesSaveAndLoad) {
  ScratchDirectory dir;
  iniPath = dir.file("quorel.ini");
  copyField(settings.MailPassw, "pw");
  saveSettings();
  char stored[512] = {};
  platform::profileGetString("Vetrel", "MailPassw", "", stored, sizeof stored, iniPath.c_str());
  EXPECT_GT(std::strlen(stored), 4u);
  settings.MailPassw[0] = 0;
  loadSettings();
  EXPECT_STREQ(settings.MailPassw, "pw");
  iniPath.clear();
}
