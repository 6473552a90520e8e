#include "report/journal.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/external_text.h"
#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "report/journal_tap.h"
#include "report/mail_queue.h"
#include "settings/settings.h"

platform::WallClock (*readLocalClock)() = platform::localNow;

std::mutex logLock;

namespace {

std::FILE* logFile = nullptr;  // guarded by logLock
// Guarded by logLock: false after a write that stopped inside a line (a full disk), so that
// the next line starts on a line of its own instead of running on from the cut one.
bool logAtLineStart = true;
// Guarded by logLock: the log's name was something other than a file; journalled once,
// when a line is first meant for the log.
bool logRefused = false;
char logPath[1024];  // the log's name, also for the refusal line
// Guarded by logLock: the log waits to be opened by its first line (openLogLazily).
bool logPending = false;

// Makes the window append, the log write, the mail hand-off and the pop-up of one report a
// unit against the other reporting thread. Recursive so that a hook which reports from
// inside a report cannot deadlock its own thread.
std::recursive_mutex journalLock;

constexpr std::size_t kLineSize = 512;

bool trimmable(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

// One line in one write (the stream is unbuffered, so nothing waits in it).
void writeLogLine(const char* line, std::size_t length) {
  char joined[2 + 24 + kLineSize];
  if (!logAtLineStart && length + 2 <= sizeof joined) {
    joined[0] = '\r';
    joined[1] = '\n';
    std::memcpy(joined + 2, line, length);
    line = joined;
    length += 2;
  }
  // Whole or not at all: a full disk leaves no fragment of a line.
  const std::size_t written = platform::appendWhole(logFile, line, length);
  if (written > 0) logAtLineStart = line[written - 1] == '\n';
}

// Under logLock.
void openPendingLog() {
  logPending = false;
  bool notRegular = false;
  logFile = platform::openAppendShared(logPath, notRegular);
  // Unbuffered: a write's result then tells how much of a line reached the file.
  if (logFile) std::setvbuf(logFile, nullptr, _IONBF, 0);
  logAtLineStart = true;
  logRefused = notRegular;
}

}  // namespace

void reportEvent(const char* text, std::int32_t kind) {
  // Room for the text, CR LF and the terminator; a longer text is cut, never overrun.
  char line[kLineSize];
  copyText(line, kJournalTextMax + 1, text ? text : "");
  std::size_t n = std::strlen(line);
  while (n > 0 && trimmable(line[n - 1])) --n;
  // A journal line is one line whatever its parts carried: the log, the mail and the
  // collector would otherwise take what follows a line break for a line of its own. The
  // callers cut outside text at its first break (cleanExternalText); this is the last guard.
  for (std::size_t i = 0; i < n; ++i)
    if (isControlByte(static_cast<unsigned char>(line[i]))) line[i] = '?';
  line[n++] = '\r';
  line[n++] = '\n';
  line[n] = 0;

  // One reading serves both stamps, so the window and the log never disagree on a second.
  const platform::WallClock t = readLocalClock();
  char logStamp[24];
  char windowStamp[12];
  std::snprintf(logStamp, sizeof logStamp, "%02d.%02d.%d %02d:%02d:%02d ", t.day, t.month, t.year,
                t.hour, t.minute, t.second);
  std::snprintf(windowStamp, sizeof windowStamp, "%02d:%02d:%02d ", t.hour, t.minute, t.second);

  char windowLine[sizeof windowStamp + kLineSize];
  char logLine[sizeof logStamp + kLineSize];
  std::snprintf(windowLine, sizeof windowLine, "%s%s", windowStamp, line);
  const int logLength = std::snprintf(logLine, sizeof logLine, "%s%s", logStamp, line);

  std::lock_guard<std::recursive_mutex> unit(journalLock);
  try {
    if (uiHooks.journalLine) uiHooks.journalLine(windowLine, logLine);
  } catch (const std::bad_alloc&) {
    // Out of memory the window misses this line; the log, the mail and the pop-up still act.
  }
  try {
    tapJournalLine({std::string_view(line, n - 2), kind, t});
  } catch (const std::bad_alloc&) {
    // Likewise a listener (syslog, JSON) that could not take its copy.
  }

  char refusal[sizeof logPath + 96] = {};
  if (settings.WriteLog && logLength > 0) {
    std::lock_guard<std::mutex> g(logLock);
    if (logPending) openPendingLog();
    if (logFile) {
      writeLogLine(logLine, static_cast<std::size_t>(logLength));
    } else if (logRefused) {
      logRefused = false;
      std::snprintf(refusal, sizeof refusal,
                    "Ошибка открытия лог-файла %s: это не файл. Запись в лог не ведется.", logPath);
    }
  }

  // logLock is released here: enqueueMail takes mailLock, and the two are never held together.
  if (settings.MsgToMail && (kind & settings.MailMask) != 0) {
    enqueueMail(logLine);
    mailCountdown = settings.SendMailInt;
  }

  if (settings.ShowMsg && (kind & settings.MsgMask) != 0 && uiHooks.popUpMessages)
    uiHooks.popUpMessages();

  // After this line is done and logLock is free; the nested report finds nothing more to say.
  if (refusal[0]) reportEvent(refusal, ProgramError);
}

void setStatusText(int part, const char* format, ...) {
  char text[132];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (uiHooks.setStatusText) uiHooks.setStatusText(part, text);
}

void openLog(const char* path) {
  std::lock_guard<std::mutex> g(logLock);
  // Reopening (after the log was deleted, say) must not leak the old handle.
  if (logFile) std::fclose(logFile);
  logFile = nullptr;
  copyField(logPath, path ? path : "quorel.log");
  openPendingLog();
}

void openLogLazily(const char* path) {
  std::lock_guard<std::mutex> g(logLock);
  if (logFile) std::fclose(logFile);
  logFile = nullptr;
  logRefused = false;
  copyField(logPath, path ? path : "quorel.log");
  logPending = true;
}

bool reopenLog() {
  std::lock_guard<std::mutex> g(logLock);
  const bool named = logFile || logPending || logRefused;
  // A line is written whole under this lock, so none is split between the two files.
  if (logFile) std::fclose(logFile);
  logFile = nullptr;
  logRefused = false;
  logPending = named;
  return named;
}

void closeLog() {
  std::lock_guard<std::mutex> g(logLock);
  if (logFile) std::fclose(logFile);
  logFile = nullptr;
  logRefused = false;
  logPending = false;
}

bool logIsOpen() {
  std::lock_guard<std::mutex> g(logLock);
  return logFile != nullptr;
}

void switchLogging(bool on) {
  if (on) {
    settings.WriteLog = true;
    reportEvent("Начало записи в лог-файл.", Info);
  } else {
    reportEvent("Конец записи в лог-файл.", Info);
    settings.WriteLog = false;
  }
}

std::size_t messageWindowCut(std::size_t currentLength, std::size_t lineLength) {
  return currentLength > kMessageWindowCap ? lineLength : 0;
}
