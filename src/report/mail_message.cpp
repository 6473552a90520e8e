#include "report/mail_message.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/host_platform.h"

char timeZoneText[16] = "+0000";

void computeTimeZoneText() {
  const platform::TimeZoneInfo z = platform::timeZoneInformation();
  std::int64_t bias = z.bias;
  if (z.state == platform::TimeZoneInfo::Standard) bias += z.standardBias;
  if (z.state == platform::TimeZoneInfo::Daylight) bias += z.daylightBias;
  // Local = UTC - bias; the minutes of a half-hour zone are dropped.
  const std::int64_t value = -(bias / 60) * 100;
  if (value >= 0)
    std::snprintf(timeZoneText, sizeof timeZoneText, "+%04lld", static_cast<long long>(value));
  else
    std::snprintf(timeZoneText, sizeof timeZoneText, "-%04lld", static_cast<long long>(-value));
}

void formatMailDate(char* out, std::size_t capacity, const platform::WallClock& t) {
  static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const char* day = t.weekDay >= 0 && t.weekDay < 7 ? days[t.weekDay] : "???";
  const char* month = t.month >= 1 && t.month <= 12 ? months[t.month - 1] : "???";
  if (!out || capacity == 0) return;
  std::snprintf(out, capacity, "%s, %02d %s %04d %02d:%02d:%02d", day, t.day, month, t.year, t.hour,
                t.minute, t.second);
}

namespace {

// Letters, digits, '-' and '.' between labels: what may stand after the '@' of an id.
bool plainHostName(std::string_view name) {
  if (name.empty() || name.size() > 253 || name.front() == '.' || name.back() == '.') return false;
  char last = 0;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || (c == '.' && last != '.');
    if (!ok) return false;
    last = c;
  }
  return true;
}

}  // namespace

std::string mailMessageId(const char* from, std::uint64_t unixMs, std::uint32_t process,
                          std::uint64_t count, const std::string& machine) {
  const char* at = from ? std::strrchr(from, '@') : nullptr;
  std::string_view domain = at ? std::string_view(at + 1) : std::string_view();
  if (!plainHostName(domain))
    domain = plainHostName(machine) ? std::string_view(machine) : std::string_view("localhost");
  char id[320];
  std::snprintf(id, sizeof id, "<%llu.%lu.%llu@%.*s>", static_cast<unsigned long long>(unixMs),
                static_cast<unsigned long>(process), static_cast<unsigned long long>(count),
                static_cast<int>(domain.size()), domain.data());
  return id;
}

std::string nextMailMessageId(const char* from) {
  static std::atomic<std::uint64_t> made{0};
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return mailMessageId(from, static_cast<std::uint64_t>(ms.count()), platform::processId(), ++made,
                       platform::hostName());
}

std::string buildMailMessage(const char* date, const char* zone, const char* from, const char* to,
                             const std::string& messageId, const std::string& text) {
  std::string m;
  m.reserve(text.size() + text.size() / 32 + 256);
  m.append("Date: ").append(date).append(" ").append(zone).append("\r\n");
  m.append("From: <").append(from).append(">\r\n");
  m.append("To: ").append(to).append("\r\n");
  m.append("Subject: Vetrel\r\n");
  m.append("Message-ID: ").append(messageId).append("\r\n");
  m.append("MIME-Version: 1.0\r\n");
  m.append("Content-Type: text/plain; charset=\"windows-1251\";\r\n");
  m.append("Content-Transfer-Encoding: 8bit\r\n\r\n");
  // Also after a bare LF: some servers end the data at LF "." LF.
  bool lineStart = true;
  for (const char c : text) {
    if (lineStart && c == '.') m.push_back('.');
    m.push_back(c);
    lineStart = c == '\n';
  }
  m.append("\r\n").append("\r\n.\r\n");
  return m;
}
