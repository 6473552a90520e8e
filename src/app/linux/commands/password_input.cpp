#include "app/linux/commands/password_input.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "app/linux/console/console_text.h"

namespace {

termios savedTerminal{};
volatile std::sig_atomic_t echoOff = 0;
// Ctrl+Z is left alone: echo restored across a stop would show the rest of the typing.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void restoreAndRaise(int signal) {
  if (echoOff) ::tcsetattr(0, TCSAFLUSH, &savedTerminal);
  std::signal(signal, SIG_DFL);
  ::raise(signal);
}

void echoBackOn() {
  ::tcsetattr(0, TCSAFLUSH, &savedTerminal);
  echoOff = 0;
  for (int s : kEndingSignals) std::signal(s, SIG_DFL);
}

bool echoOffOnTerminal() {
  if (::tcgetattr(0, &savedTerminal) != 0) return false;
  termios quiet = savedTerminal;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  quiet.c_lflag |= ECHONL;
  for (int s : kEndingSignals) std::signal(s, restoreAndRaise);
  echoOff = 1;
  if (::tcsetattr(0, TCSAFLUSH, &quiet) == 0) return true;
  echoBackOn();
  return false;
}

}  // namespace

PasswordInput readPasswordLine(int fd, std::size_t maxBytes, std::string& line) {
  line.clear();
  bool any = false;
  std::size_t length = 0;  // bytes before the line end, however many were kept
  for (;;) {
    char c = 0;
    const ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    any = true;
    if (c == '\n') break;
    ++length;
    if (line.size() <= maxBytes) line += c;
  }
  if (!any) return PasswordInput::NoInput;
  if (length > 0 && line.size() == length && line.back() == '\r') {
    line.pop_back();
    --length;
  }
  return length > maxBytes ? PasswordInput::TooLong : PasswordInput::Read;
}

PasswordInput readMailPassword(std::size_t maxBytes, std::string& password) {
  // Room for the UTF-8 form of a Windows-1251 password: up to three bytes a character.
  const std::size_t typedMax = 3 * maxBytes;
  if (::isatty(0) != 1) return readPasswordLine(0, typedMax, password);
  std::string again;
  writeConsole(consoleErr, "Mail password: ");
  const bool quiet = echoOffOnTerminal();
  PasswordInput r = readPasswordLine(0, typedMax, password);
  if (r == PasswordInput::Read) {
    writeConsole(consoleErr, "Again: ");
    r = readPasswordLine(0, typedMax, again);
    if (r == PasswordInput::Read && again != password) r = PasswordInput::Mismatch;
  }
  if (quiet) echoBackOn();
  return r;
}
