#include "app/linux/console/console_text.h"

#include "app/linux/console/console_locale.h"
#include "app/linux/console/console_writer.h"
#include "base/windows1251.h"

std::string consoleInputText(std::string_view text) {
  std::string converted;
  return utf8ToCp1251(text, converted) ? converted : std::string(text);
}

bool writeConsole(ConsoleStream& stream, std::string_view text) {
  std::string form = consoleForm(stream, text);
  std::lock_guard<std::mutex> hold(stream.lock);
  if (stream.queued) {
    queueConsoleText(stream, std::move(form));
    return !stream.failed;
  }
  return writeConsoleNow(stream.fd, form);
}

void warnConsole(std::string_view text) {
  std::string line = "vetrel: ";
  line.append(text);
  line += '\n';
  writeConsole(consoleErr, line);
}
