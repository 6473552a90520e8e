// The console's Windows-1251 output: conversion for a terminal, bytes unchanged otherwise.
#include "app/linux/console/console_text.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "app/linux/console/console_locale.h"
#include "base/windows1251.h"

namespace {

std::string viaIconv(const std::string& in) {
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "<no iconv>";
  std::string src = in;
  std::string out(in.size() * 4 + 4, '\0');
  char* ip = src.data();
  char* op = out.data();
  size_t il = src.size(), ol = out.size();
  size_t r = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return "<unmapped>";
  out.resize(out.size() - ol);
  return out;
}

}  // namespace

TEST(ConsoleText, EveryByteConvertsAsTheSystemConverterDoes) {
  for (int b = 1; b < 256; ++b) {
    if (b == 0x98) continue;  // unassigned in Windows-1251
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(utf8FromWindows1251(one), viaIconv(one)) << "byte " << b;
  }
  EXPECT_EQ(utf8FromWindows1251("\x98"), "\xEF\xBF\xBD");
}

TEST(ConsoleText, JournalLineReadsAsUtf8OnATerminalAndStaysBytesElsewhere) {
  // The literal is Windows-1251 bytes: sources are compiled with that execution charset.
  const std::string line = "05.03.2013 14:07:09 Подмена адреса! 10.0.0.2\r\n";
  ConsoleStream terminal;
  terminal.utf8 = true;
  EXPECT_EQ(consoleForm(terminal, line),
            "05.03.2013 14:07:09 \xD0\x9F\xD0\xBE\xD0\xB4\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB0 "
            "\xD0\xB0\xD0\xB4\xD1\x80\xD0\xB5\xD1\x81\xD0\xB0! 10.0.0.2\n");
  ConsoleStream file;
  file.utf8 = false;
  EXPECT_EQ(consoleForm(file, line), line);
  // A lone CR is no line end: it would move the cursor back over what the line said.
  EXPECT_EQ(consoleForm(terminal, "a\rb\r\n\r"), "a?b\n?");
}

// Line ends and TAB are the layout of what the program prints; every other control
// character came from outside and reaches neither a terminal nor a file.
TEST(ConsoleText, ControlCharactersFromOutsideNeverReachTheReader) {
  struct Case {
    const char* in;
    const char* terminal;
    const char* file;
  } cases[] = {
      {"hosts\x1b[41mESC\x1b[0m\n", "hosts?[41mESC?[0m\n", "hosts?[41mESC?[0m\n"},
      {"\x1b]0;pwned\a\r\n", "?]0;pwned?\n", "?]0;pwned?\r\n"},
      {"ip\tmac\tname\n", "ip\tmac\tname\n", "ip\tmac\tname\n"},
      {"del\x7f bs\b\n", "del? bs?\n", "del? bs?\n"},
      {"\xe0\x80\n", "\xD0\xB0\xD0\x82\n", "\xe0\x80\n"},  // letters stay letters
  };
  ConsoleStream terminal, file;
  terminal.utf8 = true;
  file.utf8 = false;
  for (const Case& c : cases) {
    EXPECT_EQ(consoleForm(terminal, c.in), c.terminal) << c.in;
    EXPECT_EQ(consoleForm(file, c.in), c.file) << c.in;
  }
}
