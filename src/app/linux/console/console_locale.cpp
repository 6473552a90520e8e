#include "app/linux/console/console_locale.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

#include "app/linux/console/console_stream.h"
#include "base/external_text.h"
#include "base/windows1251.h"

std::string consoleCharset = kUtf8Charset;

namespace {

// "UTF-8", "utf8", "Utf-8" alike: letters and digits only, upper case.
std::string canonicalName(std::string_view name) {
  std::string out;
  for (const char c : name)
    if (std::isalnum(static_cast<unsigned char>(c)))
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

struct Converter {
  iconv_t cd;
  Converter(const std::string& to, const std::string& from)
      : cd(::iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok()) ::iconv_close(cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

// Converts through iconv. A byte that cannot be converted becomes '?' when lenient, and
// fails the whole text otherwise.
bool convert(std::string_view text, const std::string& to, const std::string& from, bool lenient,
             std::string& out) {
  out.clear();
  Converter c(to, from);
  if (!c.ok()) return false;
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char buffer[1024];
  for (;;) {
    char* at = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t r = ::iconv(c.cd, inLeft > 0 ? &in : nullptr, &inLeft, &at, &room);
    out.append(buffer, static_cast<std::size_t>(at - buffer));
    if (r != static_cast<std::size_t>(-1)) {
      if (inLeft == 0) return true;
      continue;
    }
    if (errno == E2BIG) continue;
    if (!lenient || inLeft == 0) return false;
    out += '?';
    ++in;
    --inLeft;
    ::iconv(c.cd, nullptr, nullptr, nullptr, nullptr);  // start the next byte afresh
  }
}

}  // namespace

std::string consoleCharsetFor(std::string_view codeset) {
  const std::string name = canonicalName(codeset);
  if (name.empty() || name == "UTF8" || name == "ANSIX341968" || name == "ASCII" ||
      name == "USASCII")
    return kUtf8Charset;
  if (name == "CP1251" || name == "WINDOWS1251" || name == "MSCYRL") return kCp1251Charset;
  return std::string(codeset);
}

std::string localeCodeset(const char* localeName) {
  const locale_t l = ::newlocale(LC_CTYPE_MASK, localeName, static_cast<locale_t>(0));
  if (l == static_cast<locale_t>(0)) return "ANSI_X3.4-1968";
  const std::string codeset = ::nl_langinfo_l(CODESET, l);
  ::freelocale(l);
  return codeset;
}

// The environment's LC_ALL, LC_CTYPE or LANG, as setlocale(LC_CTYPE, "") reads them, without
// changing the process's own locale.
std::string localeCharset() { return consoleCharsetFor(localeCodeset("")); }

void chooseConsoleEncoding(bool forceUtf8, bool forceCp1251) {
  consoleCharset = forceUtf8     ? std::string(kUtf8Charset)
                   : forceCp1251 ? std::string(kCp1251Charset)
                                 : localeCharset();
  const bool convert = consoleCharset != kCp1251Charset;
  consoleOut.utf8 = convert;
  consoleErr.utf8 = convert;
}

std::string fromWindows1251(std::string_view text, const std::string& charset) {
  if (charset == kUtf8Charset) return utf8FromWindows1251(text);
  if (charset == kCp1251Charset) return std::string(text);
  std::string out;
  if (convert(text, charset, kCp1251Charset, true, out)) return out;
  return utf8FromWindows1251(text);  // a charset iconv does not know
}

bool toWindows1251(std::string_view text, const std::string& charset, std::string& out) {
  if (charset == kUtf8Charset) return utf8ToCp1251(text, out);
  if (charset == kCp1251Charset) {
    // 0x98 is the one byte Windows-1251 leaves unassigned.
    if (text.find('\x98') != std::string_view::npos) return false;
    out.assign(text);
    return true;
  }
  return convert(text, kCp1251Charset, charset, false, out);
}

std::string consoleFromWindows1251(std::string_view text) {
  return fromWindows1251(text, consoleCharset);
}

bool windows1251FromConsole(std::string_view text, std::string& out) {
  return toWindows1251(text, consoleCharset, out);
}

std::string consoleForm(const ConsoleStream& stream, std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool lineEnd = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
    if (lineEnd && stream.utf8) continue;
    // Line ends and TAB are the layout of what we print; any other control character came
    // from outside and would drive the reader's terminal.
    const auto c = static_cast<unsigned char>(text[i]);
    plain += isControlByte(c) && c != '\n' && c != '\t' && !lineEnd ? '?' : text[i];
  }
  return stream.utf8 ? consoleFromWindows1251(plain) : plain;
}
