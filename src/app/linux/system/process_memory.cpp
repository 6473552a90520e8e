#include "app/linux/system/process_memory.h"

#include <fstream>
#include <iterator>
#include <string>

long statusFieldKb(std::string_view text, std::string_view key) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ':')
      continue;
    std::size_t k = key.size() + 1;
    while (k < line.size() && (line[k] == ' ' || line[k] == '\t')) ++k;
    long value = 0;
    const std::size_t digits = k;
    // A value past LONG_MAX / 10 is no memory figure.
    while (k < line.size() && line[k] >= '0' && line[k] <= '9' && value < 100000000000L)
      value = value * 10 + (line[k++] - '0');
    if (k == digits || line.substr(k) != " kB") return -1;
    return value;
  }
  return -1;
}

namespace {
long ownStatusKb(std::string_view key) {
  std::ifstream status("/proc/self/status");
  const std::string text((std::istreambuf_iterator<char>(status)),
                         std::istreambuf_iterator<char>());
  return statusFieldKb(text, key);
}
}  // namespace

long residentKb() { return ownStatusKb("VmRSS"); }
long peakResidentKb() { return ownStatusKb("VmHWM"); }
