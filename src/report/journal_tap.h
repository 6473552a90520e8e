#pragma once
// Listeners that see every journal line with its kind, beside the window, the log and the
// mail: the syslog sender and the console's JSON output.
#include <cstdint>
#include <string_view>

#include "platform/system_platform.h"

struct JournalRecord {
  std::string_view text;     // Windows-1251, trimmed, without the line end
  std::int32_t kind;         // an EventKind bit
  platform::WallClock time;  // the reading that stamps the log line
};

using JournalTap = void (*)(const JournalRecord& record);

inline constexpr int kJournalTapSlots = 4;

// False when every slot is taken. Add taps at start-up, before the lines they should see.
bool addJournalTap(JournalTap tap);
void removeJournalTap(JournalTap tap);

// Called by reportEvent inside its one unit, so taps see the lines in the order of the log.
// A tap must not report.
void tapJournalLine(const JournalRecord& record);
