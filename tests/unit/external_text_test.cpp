#include "base/external_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ExternalText, CutAtTheFirstLineBreakOtherControlsReplaced) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"plain host", "plain host"},
      {"550 no\r\n08.12.2026 03:00:00 Подмена адреса! forged", "550 no"},
      {"first\nsecond", "first"},
      {"lone\rreturn", "lone"},
      {"\r\nall cut", ""},
      {"hosts\x1b[41mESC\x1b[0m", "hosts?[41mESC?[0m"},
      {"tab\tin name", "tab?in name"},
      {"bell\a del\x7f nul-free", "bell? del? nul-free"},
      {std::string("a\0b", 3), std::string("a?b")},
      // Windows-1251 letters and the symbols of 0x80..0xFF are text, not controls.
      {"\xcf\xee\xe4\xec\xe5\xed\xe0 \x80\x98\xa0\xff",
       "\xcf\xee\xe4\xec\xe5\xed\xe0 \x80\x98\xa0\xff"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cleanExternalText(c.in), c.out) << c.in;
    // In place, in a buffer that holds the text exactly, and in one that cuts it.
    std::string buffer = c.in + '\0';
    cleanExternalText(buffer.data(), buffer.size());
    EXPECT_EQ(std::string(buffer.c_str()), cleanExternalText(c.in.substr(0, c.in.find('\0'))))
        << c.in;
  }
  char unterminated[4] = {'a', '\x1b', 'b', 'c'};
  cleanExternalText(unterminated, sizeof unterminated);
  EXPECT_STREQ(unterminated, "a?b");
  cleanExternalText(nullptr, 5);  // nothing to clean, no crash
}

}  // namespace
