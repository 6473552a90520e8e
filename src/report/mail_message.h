#pragma once
// The text of one mail: its Date header's parts and the whole message after DATA.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/system_platform.h"

inline constexpr std::size_t kMailDateCapacity = 64;

// The zone of the Date header, a sign and four digits, computed once at start-up.
extern char timeZoneText[16];
void computeTimeZoneText();

// "%a, %d %b %Y %H:%M:%S" with English names whatever the locale, e.g. Thu, 08 Feb 2007 19:10:00.
void formatMailDate(char* out, std::size_t capacity, const platform::WallClock& t);

// "<time.process.count@domain>", unique per message: the domain is the sender's (after its
// '@') when that is a plain host name, else the machine's name when it is one, else
// "localhost". Large providers refuse a message without one.
std::string mailMessageId(const char* from, std::uint64_t unixMs, std::uint32_t process,
                          std::uint64_t count, const std::string& machine);
// The same for this process now, counting the messages it made.
std::string nextMailMessageId(const char* from);

// Header, the journal lines and the end of data. A body line that begins with a dot gets a
// second one, so no line of the text can end the message early. MIME-Version makes readers
// take the Content-Type, so the Windows-1251 text is read as such.
std::string buildMailMessage(const char* date, const char* zone, const char* from, const char* to,
                             const std::string& messageId, const std::string& text);
