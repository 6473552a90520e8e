#include "app/linux/console/console_stream.h"

#include <unistd.h>

#include <cerrno>

ConsoleStream consoleOut{1};
ConsoleStream consoleErr{2};

bool writeConsoleNow(int fd, std::string_view text) {
  const char* data = text.data();
  std::size_t size = text.size();
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}
