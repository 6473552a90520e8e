#pragma once
// The journal: the one channel through which every part reports a line.
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "platform/system_platform.h"

enum EventKind : std::int32_t {
  Info = 1,
  ProgramError = 2,
  Spoofing = 4,
  NewAddress = 16,
  AdditionalIp = 32,
  RouteChange = 64,
  MailError = 256,
};

// Message window text above this many characters loses one line's worth at the front.
inline constexpr std::size_t kMessageWindowCap = 104857600;
inline constexpr std::size_t kJournalTextMax = 509;  // characters after trimming

// The clock the journal and the mail date read; tests replace it.
extern platform::WallClock (*readLocalClock)();

// Stamps the line, hands it to the message window and, as the settings say, to the log,
// the mail queue and the pop-up. Any thread; never throws (out of memory an output misses the
// line). Texts longer than 509 characters are cut.
void reportEvent(const char* text, std::int32_t kind);

// printf-style text (at most 131 characters) into status part 0, 1 or 2. Main thread.
void setStatusText(int part, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// The log file "quorel.log" (or the given path), append-only, open for the whole run. A name
// that is no regular file (a FIFO, a device) is not opened: the journal then says so once,
// as a program error, when logging wants its first line, and goes on without a log.
void openLog(const char* path = "quorel.log");
// The same, but the file is opened (and created) only when the first line is to be written
// to it, so a run that logs nothing leaves no empty log behind.
void openLogLazily(const char* path = "quorel.log");
// After the log was renamed or truncated (log rotation): the file in use is closed and the
// name opened afresh for the next line. False when no log was opened.
bool reopenLog();
void closeLog();
bool logIsOpen();

// Logging switched on: WriteLog first, then the start line; off: the end line, then WriteLog.
void switchLogging(bool on);

// How many characters to remove from the front of the message window's text before a
// line of lineLength characters (stamp included) is appended.
std::size_t messageWindowCut(std::size_t currentLength, std::size_t lineLength);

extern std::mutex logLock;
