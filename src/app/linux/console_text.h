#pragma once
// Output of Windows-1251 text on a Linux console: in the locale's character set
// (console_locale.h), or the bytes unchanged under a Windows-1251 locale and with --cp1251
// (then a redirected journal matches quorel.log byte for byte).
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

// UTF-8 to Windows-1251; false (out unspecified) for text that is not UTF-8 or holds a
// character Windows-1251 lacks.
bool utf8ToCp1251(std::string_view text, std::string& out);
// Text typed by the user: UTF-8 that Windows-1251 can hold is converted, anything else is
// taken as the bytes it is (so Windows-1251 given by a script passes unchanged).
std::string consoleInputText(std::string_view text);

struct ConsoleStream {
  explicit ConsoleStream(int descriptor = 1) : fd(descriptor) {}
  int fd;
  bool utf8 = false;  // convert to the console's charset, and drop the CR of CR LF
  std::mutex lock;    // lines from the main and the mail thread never interleave

  // With a writer thread (console_writer.h) the lines wait here, under lock, instead of in
  // write(2): a reader that stops must not stop the program.
  bool queued = false;
  bool stopping = false;  // the writer ends once the queue is empty
  bool busy = false;      // the writer holds lines that it has not written yet
  std::deque<std::string> pending;
  std::size_t pendingBytes = 0;
  std::uint64_t dropped = 0;   // lines pushed out since the writer last got through
  std::size_t queueLimit = 0;  // bytes that may wait before the oldest lines go
  bool failed = false;         // a write of the writer failed (the reader closed its end)
  std::condition_variable changed;
};

extern ConsoleStream consoleOut;
extern ConsoleStream consoleErr;

// Writes the whole text (converted as the stream wants); false when the write failed. With a
// writer thread the text is queued and the answer is true.
bool writeConsole(ConsoleStream& stream, std::string_view text);
// "vetrel: " text and a line end on stderr: the program's own complaints.
void warnConsole(std::string_view text);
// Text as the stream would receive it.
std::string consoleForm(const ConsoleStream& stream, std::string_view text);
