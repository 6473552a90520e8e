#pragma once
// The monitor's stdout when nobody may be reading it (a pipe whose reader stopped): lines are
// queued without waiting and written by a thread of their own, so neither the tick nor the
// shut-down ever waits in write(2). The queue is bounded: when it is full the oldest lines go,
// and once the reader is back one line says how many were dropped. The log file, written by
// the journal itself, keeps every line.
#include <chrono>
#include <cstddef>
#include <string>

#include "app/linux/console/console_stream.h"

inline constexpr std::size_t kConsoleQueueBytes = 256 * 1024;

// From now on writeConsole queues for this stream, up to limit bytes; false when no thread
// could be started (the stream then stays as it was). Once a queued write has failed,
// writeConsole answers false, as a direct write would.
bool startConsoleWriter(ConsoleStream& stream, std::size_t limit = kConsoleQueueBytes);
// Waits until the queued text is written or the time is up; false on time-out. The writer
// then ends (lines queued afterwards are written directly).
bool finishConsoleWriter(ConsoleStream& stream, std::chrono::milliseconds limit);

// Used by writeConsole with the stream's lock held.
void queueConsoleText(ConsoleStream& stream, std::string&& text);
// The line that stands for dropped lines, in the stream's form.
std::string droppedLinesNote(const ConsoleStream& stream, std::uint64_t count);
