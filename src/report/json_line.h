#pragma once
// A journal line as one JSON object, for log shippers that read the console's stdout.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/system_platform.h"
#include "report/journal_tap.h"

// {"time":"2026-12-08T01:02:03+03:00","kind":"Spoofing","text":"...","ip":"...",
//  "family":"ipv6" (only when ip is an IPv6 address),"mac":"...",
//  "vendor":"...","sampleIp":"...","sampleMac":"...","previousMac":"...","etherSource":"...",
//  "interface":"..."}: the address fields only where the line
// names them, the vendor (base/vendor_table.h) of the MAC wherever "mac" is;
// text in UTF-8. No line end. Any console command that prints journal lines uses this.
std::string journalJson(std::string_view text, std::int32_t kind, const platform::WallClock& time,
                        int offsetMinutes);
std::string journalJson(const JournalRecord& record);

// A host `vetrel scan` found, in the same stream as the journal lines:
// {"time":"...","kind":"Host","ip":"...","mac":"...","name":"...","vendor":"..."}; every
// member present (an empty name when none was looked up or found, an empty vendor when
// unknown); the cells in Windows-1251 as the list holds them. No line end.
std::string scanHostJson(std::string_view ip, std::string_view mac, std::string_view name,
                         std::string_view vendor, const platform::WallClock& time,
                         int offsetMinutes);

// A JSON string literal (with its quotes) of UTF-8 text: quote, backslash and every control
// character escaped, everything else as it is.
void appendJsonString(std::string& out, std::string_view utf8);
