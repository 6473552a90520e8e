// The console's charset from the locale, conversions both ways, and settings values as typed.
#include "app/linux/console/console_locale.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/linux/commands/settings_input.h"
#include "scratch_dir.h"

TEST(ConsoleLocale, CharsetFollowsTheLocaleAndCIsUtf8) {
  // A locale that is not installed counts as C.
  for (const char* locale : {"C", "POSIX", "C.UTF-8", "no_SUCH.locale"})
    EXPECT_EQ(consoleCharsetFor(localeCodeset(locale)), "UTF-8") << locale;
  struct {
    const char* codeset;
    const char* charset;
  } const names[] = {{"UTF-8", "UTF-8"},   {"utf8", "UTF-8"},           {"ANSI_X3.4-1968", "UTF-8"},
                     {"", "UTF-8"},        {"CP1251", "CP1251"},        {"WINDOWS-1251", "CP1251"},
                     {"KOI8-R", "KOI8-R"}, {"ISO-8859-5", "ISO-8859-5"}};
  for (const auto& n : names) EXPECT_EQ(consoleCharsetFor(n.codeset), n.charset) << n.codeset;
}

TEST(ConsoleLocale, Cp1251LocaleGivesTheLogsBytes) {
  std::string codeset = localeCodeset("ru_RU.CP1251");
  if (codeset == localeCodeset("C")) {
    // Not installed: made in a scratch directory, which LOCPATH names for newlocale.
    const ScratchDir dir;
    const std::string made = dir.path.string() + "/ru_RU.CP1251";
    if (std::system(("localedef -i ru_RU -f CP1251 '" + made + "' 2>/dev/null").c_str()) != 0)
      GTEST_SKIP() << "locale ru_RU.CP1251 is not installed and localedef cannot make it";
    // In a child: glibc keeps the LOCPATH it parsed for good, which LeakSanitizer reports.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::setenv("LOCPATH", dir.path.c_str(), 1);
      const std::string found = localeCodeset("ru_RU.CP1251");
      const ssize_t written = ::write(pipeFds[1], found.data(), found.size());
      ::_exit(written == static_cast<ssize_t>(found.size()) ? 0 : 1);
    }
    ::close(pipeFds[1]);
    char buffer[64];
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    ::close(pipeFds[0]);
    ::waitpid(child, nullptr, 0);
    codeset.assign(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
  }
  EXPECT_EQ(consoleCharsetFor(codeset), "CP1251") << codeset;
}

TEST(ConsoleLocale, TextConvertsToTheCharsetAndBack) {
  const std::string cp = "Подмена адреса! ё";  // Windows-1251 bytes
  struct {
    const char* charset;
    std::string bytes;
  } const cases[] = {
      {"UTF-8",
       "\xD0\x9F\xD0\xBE\xD0\xB4\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB0 "
       "\xD0\xB0\xD0\xB4\xD1\x80\xD0\xB5\xD1\x81\xD0\xB0! \xD1\x91"},
      {"CP1251", cp},
      {"KOI8-R", "\xF0\xCF\xC4\xCD\xC5\xCE\xC1 \xC1\xC4\xD2\xC5\xD3\xC1! \xA3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fromWindows1251(cp, c.charset), c.bytes) << c.charset;
    std::string back;
    EXPECT_TRUE(toWindows1251(c.bytes, c.charset, back)) << c.charset;
    EXPECT_EQ(back, cp) << c.charset;
  }
  // What the target lacks is shown as '?'; the byte Windows-1251 leaves unassigned, a
  // character it lacks and broken text are refused on the way in.
  EXPECT_EQ(fromWindows1251("a\x88z", "KOI8-R"), "a?z");  // the euro sign
  std::string out;
  EXPECT_FALSE(toWindows1251("a\x98", "CP1251", out));
  EXPECT_FALSE(toWindows1251("\xE6\x97\xA5", "UTF-8", out));
  EXPECT_FALSE(toWindows1251("\xD0", "UTF-8", out));
  EXPECT_FALSE(toWindows1251("\xFF\xFE", "ISO-2022-JP", out));
}

TEST(ConsoleLocale, SettingsValuesAreConvertedOrRefusedByKey) {
  const char* const lacked = "the value of MailFrom holds a character";
  const char* const control = "the value of MailTo holds a control character";
  struct {
    const char* typed;
    const char* charset;
    const char* text;   // Windows-1251, when taken
    const char* error;  // when refused
  } const cases[] = {
      {"MailFrom=тест@example.org", "CP1251", "MailFrom=тест@example.org", ""},
      {"MailFrom=\xD1\x82\xD0\xB5\xD1\x81\xD1\x82", "UTF-8", "MailFrom=тест", ""},
      {"MailLogin=\xD4\xC5\xD3\xD4", "KOI8-R", "MailLogin=тест", ""},
      {"MailFrom=\xD1\x82\xE6\x97\xA5", "UTF-8", "", lacked},
      {"MailFrom=\xFF", "UTF-8", "", lacked},
      {"MailServer=a\x98", "CP1251", "", "the value of MailServer holds a character"},
      {"MailTo=a\fb", "UTF-8", "", control},
      {"MailTo=a\x1a", "UTF-8", "", control},
      {"MailTo=\x1b[41m", "CP1251", "", control},
      {"MailTo=a\x7f", "UTF-8", "", control},
      {"Mail\x1bTo=a\n", "UTF-8", "", "the value of Mail?To holds a control character"},
      {"CheckInt=10", "UTF-8", "CheckInt=10", ""},
  };
  for (const auto& c : cases) {
    const TypedAssignment r = assignmentFromConsole(c.typed, c.charset);
    EXPECT_EQ(r.text, c.text) << c.typed;
    EXPECT_EQ(r.error.substr(0, std::string(c.error).size()), c.error) << c.typed;
    EXPECT_EQ(r.error.empty(), *c.error == 0) << c.typed;
  }
}
