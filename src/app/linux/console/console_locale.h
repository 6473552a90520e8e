#pragma once
// The character set the console speaks: the locale's (LC_CTYPE from the environment), UTF-8
// under the C/POSIX locale, or what --utf8 / --cp1251 ask for. quorel.log and the data files
// stay Windows-1251 whatever it is.
#include <string>
#include <string_view>

#include "app/linux/console/console_stream.h"

inline constexpr const char* kUtf8Charset = "UTF-8";
inline constexpr const char* kCp1251Charset = "CP1251";

// The console's charset for a locale's codeset (nl_langinfo(CODESET)): UTF-8 for UTF-8 and
// for the C/POSIX locale's ASCII, CP1251 for Windows-1251 under any of its names, otherwise
// the codeset itself (converted through iconv).
std::string consoleCharsetFor(std::string_view codeset);
// The codeset of the named locale, "" for the environment's; the C locale's when that
// locale is not installed.
std::string localeCodeset(const char* localeName);

// The environment's locale's charset: what command-line text is typed in, whatever --utf8 or
// --cp1251 ask of the output.
std::string localeCharset();

// The output charset of this run (UTF-8 until chooseConsoleEncoding).
extern std::string consoleCharset;
// Sets consoleCharset and whether the streams convert, from the options and the locale.
void chooseConsoleEncoding(bool forceUtf8, bool forceCp1251);

// Windows-1251 text in the charset; what it cannot show becomes '?'.
std::string fromWindows1251(std::string_view text, const std::string& charset);
// Text in the charset to Windows-1251; false when it is not valid text of that charset or
// holds a character Windows-1251 lacks.
bool toWindows1251(std::string_view text, const std::string& charset, std::string& out);

// The same for consoleCharset.
std::string consoleFromWindows1251(std::string_view text);
bool windows1251FromConsole(std::string_view text, std::string& out);

// Text as the stream would receive it: control bytes from outside shown as '?', converted
// to the console's charset where the stream wants it.
std::string consoleForm(const ConsoleStream& stream, std::string_view text);
