// The monitor's stdout when its reader stops: the program never waits, the newest lines win.
#include "app/linux/console/console_writer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/linux/console/console_text.h"

namespace {

using namespace std::chrono_literals;

std::string numbered(int i) {
  return "line " + std::to_string(i) + " " + std::string(80, '.') + "\r\n";
}

}  // namespace

TEST(ConsoleWriter, StalledReaderHoldsNothingUpAndGetsTheNewestLines) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  // The writer thread is detached: its stream must outlive the test.
  static ConsoleStream stream;
  stream.fd = fds[1];
  ASSERT_TRUE(startConsoleWriter(stream));

  // About 1.8 MB for a pipe that holds 64 kB, with nobody reading.
  constexpr int kLines = 20000;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kLines; ++i) EXPECT_TRUE(writeConsole(stream, numbered(i)));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_FALSE(finishConsoleWriter(stream, 100ms));  // gives up in time

  // The reader is back.
  std::string got;
  std::thread reader([&] {
    char chunk[65536];
    for (ssize_t n; (n = ::read(fds[0], chunk, sizeof chunk)) > 0;) got.append(chunk, n);
  });
  EXPECT_TRUE(finishConsoleWriter(stream, 5s));
  ::close(fds[1]);
  reader.join();
  ::close(fds[0]);

  // One note says how many lines went; the newest come in order, the last one included.
  long dropped = 0;
  int lines = 0, last = -1;
  for (std::size_t at = 0, end; (end = got.find("\r\n", at)) != std::string::npos; at = end + 2) {
    const std::string line = got.substr(at, end - at);
    if (line.starts_with("line ")) {
      const int n = std::stoi(line.substr(5));
      EXPECT_GT(n, last);
      last = n;
      ++lines;
    } else {
      ASSERT_TRUE(line.starts_with("vetrel: ")) << line;
      EXPECT_NE(line.find(" line(s) dropped: the output was not being read"), std::string::npos)
          << line;
      dropped += std::stol(line.substr(8));
    }
  }
  EXPECT_EQ(last, kLines - 1);
  EXPECT_EQ(lines + dropped, kLines);
  EXPECT_GT(dropped, 0);
  // What a stalled reader finds waiting is bounded: the queue, a batch on its way, the pipe.
  EXPECT_LE(got.size(), 2 * kConsoleQueueBytes + 2 * 65536);
  EXPECT_FALSE(stream.queued);  // without its writer the stream writes directly again
}

// vetrel scan | head: once the reader has gone, the caller learns it as from a direct write.
TEST(ConsoleWriter, AFailedWriteReachesTheNextCaller) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::signal(SIGPIPE, SIG_IGN);
  ::close(fds[0]);
  static ConsoleStream stream;
  stream.fd = fds[1];
  ASSERT_TRUE(startConsoleWriter(stream));
  bool failed = false;
  for (int i = 0; i < 500 && !failed; ++i) {
    failed = !writeConsole(stream, numbered(i));
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_TRUE(failed);
  EXPECT_TRUE(finishConsoleWriter(stream, 5s));
  ::close(fds[1]);
}
