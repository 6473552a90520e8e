#pragma once
// The program's narrow texts are Windows-1251; UTF-8 is what terminals, syslog and JSON want.
#include <cstdint>
#include <string>
#include <string_view>

// The code point of a byte of 0x80..0xFF; the one unassigned byte (0x98) gives U+FFFD.
std::uint32_t windows1251CodePoint(unsigned char byte);

// A code point below 0x10000 as UTF-8, appended to out.
void appendUtf8(std::string& out, std::uint32_t cp);

// Windows-1251 to UTF-8. Line ends stay as they are; 0x98 becomes U+FFFD.
std::string utf8FromWindows1251(std::string_view text);

// UTF-8 to Windows-1251; false (out unspecified) for text that is not UTF-8 or holds a
// character Windows-1251 lacks.
bool utf8ToCp1251(std::string_view text, std::string& out);

// UTF-8 to Windows-1251 for text from outside that is shown, not stored as typed: a byte that
// is not UTF-8 and a character Windows-1251 lacks each become '?'.
std::string windows1251FromUtf8(std::string_view utf8);
