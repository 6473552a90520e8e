// The console's JSON lines: their members, and an escape for every byte Windows-1251 text
// can hold, checked against the C library's own converter.
#include "report/json_line.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "base/windows1251.h"
#include "report/journal.h"

namespace {

std::string u8s(const char8_t* s) { return reinterpret_cast<const char*>(s); }

const platform::WallClock kTime{2013, 3, 5, 14, 7, 9, 2};

// The oracle: glibc's iconv, which leaves 0x98 (unassigned) unconverted.
std::string iconvUtf8(unsigned char byte) {
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  char in[1] = {static_cast<char>(byte)};
  char out[8] = {};
  char* ip = in;
  char* op = out;
  std::size_t inLeft = 1, outLeft = sizeof out;
  const std::size_t r = iconv(cd, &ip, &inLeft, &op, &outLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return "\xEF\xBF\xBD";  // U+FFFD, as the program does
  return std::string(out, op);
}

// A strict reader of one JSON string value that starts at pos (at its quote): what a JSON
// parser would make of it. Fails the test on anything RFC 8259 forbids.
std::string readJsonString(const std::string& json, std::size_t& pos) {
  std::string out;
  EXPECT_EQ(json[pos], '"');
  for (++pos; pos < json.size(); ++pos) {
    const unsigned char c = static_cast<unsigned char>(json[pos]);
    if (c == '"') {
      ++pos;
      return out;
    }
    EXPECT_GE(c, 0x20) << "raw control character in a string";
    if (c != '\\') {
      out += static_cast<char>(c);
      continue;
    }
    const char e = json[++pos];
    const std::string from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
    if (e == 'u') {
      appendUtf8(out, static_cast<unsigned>(std::stoul(json.substr(pos + 1, 4), nullptr, 16)));
      pos += 4;
    } else if (from.find(e) != std::string::npos) {
      out += to[from.find(e)];
    } else {
      ADD_FAILURE() << "bad escape " << e;
    }
  }
  ADD_FAILURE() << "unterminated string";
  return out;
}

std::string member(const std::string& json, const std::string& name) {
  std::size_t pos = json.find("\"" + name + "\":");
  if (pos == std::string::npos) return "<none>";
  pos += name.size() + 3;
  return readJsonString(json, pos);
}

}  // namespace

TEST(JournalJson, EveryWindows1251ByteComesBackAsItsCharacter) {
  for (int b = 1; b < 256; ++b) {
    const std::string text = std::string("a") + static_cast<char>(b) + "z";
    const std::string j = journalJson(text, Info, kTime, 0);
    ASSERT_EQ(j.back(), '}') << b;
    EXPECT_EQ(j.find('\n'), std::string::npos) << b;  // one object, one line
    EXPECT_EQ(member(j, "text"), "a" + iconvUtf8(static_cast<unsigned char>(b)) + "z") << b;
    EXPECT_EQ(member(j, "kind"), "Info") << b;
  }
}

TEST(JournalJson, FieldsAndHostNamesWithQuotesStayStrings) {
  // A sample pattern or a name from a hosts file may hold quotes and backslashes.
  const std::string j =
      journalJson("Подмена адреса! 1.2.3.4 aa (\"\\\x01 \x7f})", Spoofing, kTime, 0);
  EXPECT_EQ(member(j, "sampleIp"), "\"\\\x01");
  EXPECT_EQ(member(j, "sampleMac"), "\x7f}");
  const std::string h = scanHostJson("10.9.0.2", "", "Сервер \"a\\b\"\t", "", kTime, 0);
  EXPECT_EQ(member(h, "name"), u8s(u8"Сервер \"a\\b\"\t"));
}
