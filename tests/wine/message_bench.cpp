// Times journal lines appended to the message window: into an empty window and into one
// already holding 50 MB of text. Prints microseconds per line and their ratio.
//   message_bench [LINES] [MEGABYTES] [SECONDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/win32/shell.h"

HINSTANCE Instance = nullptr;
HWND MessageWindow = nullptr;

namespace {

const char* const kLine =
    "12:34:56 Подмена адреса! 192.168.100.200 00-11-22-33-44-55 "
    "(192.168.100.200 00-11-22-33-44-66)\r\n";

// Appends up to lines lines, stopping early after seconds; microseconds per line.
double timeLines(int lines, double seconds, int& done) {
  const auto start = std::chrono::steady_clock::now();
  done = 0;
  while (done < lines) {
    appendMessageLine(kLine);
    ++done;
    if ((done & 63) == 0 &&
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() > seconds)
      break;
  }
  const double us =
      std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  return done ? us / done : 0;
}

int textLength() { return static_cast<int>(messageWindowLength()); }

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int megabytes = argc > 2 ? std::atoi(argv[2]) : 50;
  const double seconds = argc > 3 ? std::atof(argv[3]) : 300;
  Instance = GetModuleHandleW(nullptr);

  MessageWindow = createMessageWindow(nullptr);
  int done0 = 0;
  const double empty = timeLines(lines, seconds, done0);
  DestroyWindow(MessageWindow);

  MessageWindow = createMessageWindow(nullptr);
  // Filled a megabyte at a time, the way a long run fills it line by line, only faster.
  std::string chunk;
  const std::string line = "12:34:56 Новый IP-адрес! 10.1.2.3 00-11-22-33-44-55\r\n";
  while (chunk.size() < (1u << 20)) chunk += line;
  const auto fillStart = std::chrono::steady_clock::now();
  for (int i = 0; i < megabytes; ++i) appendMessageLine(chunk.c_str());
  const double fillSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - fillStart).count();
  const int held = textLength();
  int doneFull = 0;
  const double full = timeLines(lines, seconds, doneFull);
  const int after = textLength();

  std::printf("message window, 0 MB: %d lines, %.1f us per line\n", done0, empty);
  std::printf("filled %d MB in %.0f s\n", megabytes, fillSeconds);
  std::printf("message window, %d MB (%d characters): %d lines, %.1f us per line\n", megabytes,
              held, doneFull, full);
  std::printf("ratio %d MB / 0 MB: %.2f\n", megabytes, empty > 0 ? full / empty : 0.0);
  // Every appended line must have landed at the end.
  // The control counts a CR LF line end as one character.
  const int expected = held + doneFull * (static_cast<int>(std::string(kLine).size()) - 1);
  if (after != expected) {
    std::printf("length after %d, expected %d\n", after, expected);
    return 1;
  }
  return 0;
}
