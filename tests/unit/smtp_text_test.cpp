// base64, reply codes, the Date header's parts and the message text.
#include <gtest/gtest.h>

#include <string>

#include "fake/fake_platform.h"
#include "report/mail_message.h"
#include "report/smtp.h"

namespace {

std::string encode(const char* in, std::size_t capacity = 128) {
  char out[256] = {};
  const std::size_t n = base64Encode(out, in, capacity);
  EXPECT_EQ(n, std::string(out).size());
  return out;
}

std::string zoneFor(platform::TimeZoneInfo z) {
  fake.zone = z;
  computeTimeZoneText();
  return timeZoneText;
}

}  // namespace

TEST(Base64, RfcVectorsAndPadding) {
  EXPECT_EQ(encode(""), "");
  EXPECT_EQ(encode("f"), "Zg==");
  EXPECT_EQ(encode("fo"), "Zm8=");
  EXPECT_EQ(encode("foo"), "Zm9v");
  EXPECT_EQ(encode("foob"), "Zm9vYg==");
  EXPECT_EQ(encode("fooba"), "Zm9vYmE=");
  EXPECT_EQ(encode("foobar"), "Zm9vYmFy");
}

TEST(Base64, Windows1251BytesInEveryPositionOfAGroup) {
  EXPECT_EQ(encode("Пароль"), "z+Dw7uv8");  // CF E0 F0 EE EB FC
  EXPECT_EQ(encode("Логин"), "y+7j6O0=");
  EXPECT_EQ(encode("ёЁ"), "uKg=");
  EXPECT_EQ(encode("Я"), "3w==");
  EXPECT_EQ(encode("яя"), "//8=");
  EXPECT_EQ(encode("aЯb"), "Yd9i");
}

TEST(Base64, CapacityBoundsTheGroups) {
  const std::string longText(40, 'a');  // 14 groups' worth
  EXPECT_EQ(encode(longText.c_str(), 128).size(), 56u);
  const std::string tooLong(100, 'a');
  EXPECT_EQ(encode(tooLong.c_str(), 128).size(), 124u);  // 31 groups
  EXPECT_EQ(encode("foobar", 5), "Zm9v");
  EXPECT_EQ(encode("foobar", 4), "");
}

TEST(SmtpReplyCode, NumberAtTheStart) {
  EXPECT_EQ(smtpReplyCode("250 ok\r\n"), 250);
  EXPECT_EQ(smtpReplyCode("  354 go"), 354);
  EXPECT_EQ(smtpReplyCode("250-first\r\n500 second\r\n"), 250);
  EXPECT_EQ(smtpReplyCode("ok"), 0);
  EXPECT_EQ(smtpReplyCode(""), 0);
  EXPECT_EQ(smtpReplyCode(nullptr), 0);
  EXPECT_GT(smtpReplyCode("99999999999999999999999 garbage"), 0);  // no overflow
}

TEST(TimeZoneText, SignAndFourDigitsHalfHoursDropped) {
  resetFake();
  EXPECT_EQ(zoneFor({platform::TimeZoneInfo::Unknown, 300, 0, 0}), "-0500");
  EXPECT_EQ(zoneFor({platform::TimeZoneInfo::Unknown, -180, 0, 0}), "+0300");
  EXPECT_EQ(zoneFor({platform::TimeZoneInfo::Unknown, -330, 0, 0}), "+0500");
  EXPECT_EQ(zoneFor({platform::TimeZoneInfo::Unknown, 0, 0, 0}), "+0000");
  EXPECT_EQ(zoneFor({platform::TimeZoneInfo::Unknown, 210, 0, 0}), "-0300");  // UTC-3:30
  // Standard and daylight add their own bias; an unknown state ignores both.
  EXPECT_EQ(zoneFor({platform::TimeZoneInfo::Standard, -60, 0, -60}), "+0100");
  EXPECT_EQ(zoneFor({platform::TimeZoneInfo::Daylight, -60, 0, -60}), "+0200");
  EXPECT_EQ(zoneFor({platform::TimeZoneInfo::Unknown, -60, 30, -60}), "+0100");
  EXPECT_EQ(zoneFor({platform::TimeZoneInfo::Standard, 300, 60, -60}), "-0600");
}

TEST(MailDate, EnglishNamesWhateverTheLocale) {
  char date[kMailDateCapacity];
  formatMailDate(date, sizeof date, {2007, 2, 8, 19, 10, 0, 4});
  EXPECT_STREQ(date, "Thu, 08 Feb 2007 19:10:00");
  formatMailDate(date, sizeof date, {2013, 12, 29, 0, 5, 9, 0});
  EXPECT_STREQ(date, "Sun, 29 Dec 2013 00:05:09");
  formatMailDate(date, sizeof date, {2013, 13, 1, 0, 0, 0, 9});  // a broken clock stays in bounds
  EXPECT_STREQ(date, "???, 01 ??? 2013 00:00:00");
}

TEST(MailMessage, HeaderBodyAndEndExactly) {
  const std::string text = "05.03.2013 14:07:09 Подмена адреса! 1\r\n";
  EXPECT_EQ(buildMailMessage("Tue, 05 Mar 2013 14:07:09", "+0300", "a@b", "c@d", "<1.2.3@b>", text),
            "Date: Tue, 05 Mar 2013 14:07:09 +0300\r\n"
            "From: <a@b>\r\n"
            "To: c@d\r\n"
            "Subject: Vetrel\r\n"
            "Message-ID: <1.2.3@b>\r\n"
            "MIME-Version: 1.0\r\n"
            "Content-Type: text/plain; charset=\"windows-1251\";\r\n"
            "Content-Transfer-Encoding: 8bit\r\n\r\n" +
                text + "\r\n\r\n.\r\n");
}

TEST(MailMessage, IdsAreUniqueAtTheSendersDomainOrTheMachine) {
  EXPECT_EQ(mailMessageId("a@b@mx-1.example", 7, 8, 9, "pc"), "<7.8.9@mx-1.example>");
  EXPECT_EQ(mailMessageId("alarm", 7, 8, 9, "pc-1.lan"), "<7.8.9@pc-1.lan>");
  EXPECT_EQ(mailMessageId("a@[10.0.0.1]", 7, 8, 9, "PC 1"), "<7.8.9@localhost>");
  EXPECT_NE(nextMailMessageId("a@b"), nextMailMessageId("a@b"));
}

TEST(MailMessage, LinesBeginningWithADotAreStuffed) {
  const std::string m =
      buildMailMessage("d", "+0000", "", "", "<i@h>", ".\r\nx.y\r\n..z\r\nq\n.bare\r\n");
  const std::string body = m.substr(m.find("\r\n\r\n") + 4);
  EXPECT_EQ(body, "..\r\nx.y\r\n...z\r\nq\n..bare\r\n\r\n\r\n.\r\n");
}
