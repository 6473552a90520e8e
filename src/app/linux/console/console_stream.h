#pragma once
// The program's two console streams and the one write that puts bytes on them.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

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

// One write of all the bytes to fd, waiting as long as it takes; false when it failed.
bool writeConsoleNow(int fd, std::string_view text);
