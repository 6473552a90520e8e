#include "app/linux/console_text.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "app/linux/console_locale.h"
#include "app/linux/console_writer.h"
#include "base/external_text.h"
#include "base/windows1251.h"

ConsoleStream consoleOut{1};
ConsoleStream consoleErr{2};

namespace {

bool writeAll(int fd, const char* data, std::size_t size) {
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

}  // namespace

bool utf8ToCp1251(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::uint32_t cp = 0;
    std::size_t length = 0;
    if (lead < 0x80) {
      cp = lead;
      length = 1;
    } else if ((lead & 0xE0) == 0xC0) {
      cp = lead & 0x1F;
      length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
      cp = lead & 0x0F;
      length = 3;
    } else {
      return false;  // four-byte forms hold nothing Windows-1251 has
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms are not UTF-8.
    if ((length == 2 && cp < 0x80) || (length == 3 && cp < 0x800)) return false;
    i += length;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp >= 0x0410 && cp <= 0x044F) {
      out += static_cast<char>(0xC0 + (cp - 0x0410));
    } else {
      int hit = -1;
      for (int b = 0x80; b < 0xC0; ++b)
        if (cp != 0xFFFD && windows1251CodePoint(static_cast<unsigned char>(b)) == cp) hit = b;
      if (hit < 0) return false;
      out += static_cast<char>(hit);
    }
  }
  return true;
}

std::string consoleInputText(std::string_view text) {
  std::string converted;
  return utf8ToCp1251(text, converted) ? converted : std::string(text);
}

std::string consoleForm(const ConsoleStream& stream, std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool lineEnd = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
    if (lineEnd && stream.utf8) continue;
    // Line ends and TAB are the layout of what we print; any other control character came
    // from outside and would drive the reader's terminal.
    const auto c = static_cast<unsigned char>(text[i]);
    plain += isControlByte(c) && c != '\n' && c != '\t' && !lineEnd ? '?' : text[i];
  }
  return stream.utf8 ? consoleFromWindows1251(plain) : plain;
}

bool writeConsole(ConsoleStream& stream, std::string_view text) {
  std::string form = consoleForm(stream, text);
  std::lock_guard<std::mutex> hold(stream.lock);
  if (stream.queued) {
    queueConsoleText(stream, std::move(form));
    return !stream.failed;
  }
  return writeAll(stream.fd, form.data(), form.size());
}

bool writeConsoleNow(int fd, std::string_view text) {
  return writeAll(fd, text.data(), text.size());
}

void warnConsole(std::string_view text) {
  std::string line = "vetrel: ";
  line.append(text);
  line += '\n';
  writeConsole(consoleErr, line);
}
