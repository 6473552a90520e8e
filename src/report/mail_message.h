#pragma once
// The text of one mail: its Date header's parts and the whole message after DATA.
#include <cstddef>
#include <string>

#include "platform/system_platform.h"

inline constexpr std::size_t kMailDateCapacity = 64;

// The zone of the Date header, a sign and four digits, computed once at start-up.
extern char timeZoneText[16];
void computeTimeZoneText();

// "%a, %d %b %Y %H:%M:%S" with English names whatever the locale, e.g. Thu, 08 Feb 2007 19:10:00.
void formatMailDate(char* out, std::size_t capacity, const platform::WallClock& t);

// Header, the journal lines and the end of data. A body line that begins with a dot gets a
// second one, so no line of the text can end the message early.
std::string buildMailMessage(const char* date, const char* zone, const char* from, const char* to,
                             const std::string& text);
