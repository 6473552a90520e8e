#include "report/syslog_message.h"

#include <cstdio>

#include "base/vendor_table.h"
#include "base/windows1251.h"
#include "report/event_text.h"

namespace {

void appendParam(std::string& out, const char* name, std::string_view windows1251) {
  if (windows1251.empty()) return;
  out += ' ';
  out += name;
  out += "=\"";
  appendSdValue(out, utf8FromWindows1251(windows1251));
  out += '"';
}

}  // namespace

std::string syslogHostName(std::string_view name) {
  std::string out;
  for (const char c : name.substr(0, 255)) {
    const unsigned char u = static_cast<unsigned char>(c);
    out += u >= 33 && u <= 126 ? c : '_';
  }
  return out.empty() ? "-" : out;
}

void appendSdValue(std::string& out, std::string_view utf8) {
  for (const char c : utf8) {
    if (c == '"' || c == '\\' || c == ']') out += '\\';
    out += c;
  }
}

std::string droppedNoteText(std::uint64_t dropped) {
  char text[128];
  std::snprintf(text, sizeof text, "Очередь syslog была переполнена: потеряно строк: %llu.",
                static_cast<unsigned long long>(dropped));
  return text;
}

std::string syslogMessage(const SyslogEntry& entry, const SyslogOrigin& origin) {
  const EventKindNames& names = eventKindNames(entry.kind);
  std::string out;
  out.reserve(160 + entry.text.size() * 2);
  char head[24];
  std::snprintf(head, sizeof head, "<%d>1 ", kSyslogFacilityDaemon * 8 + names.severity);
  out += head;
  out += rfc3339Time(entry.time, entry.offsetMinutes);
  out += ' ';
  out += syslogHostName(origin.hostName);
  out += " vetrel ";
  out += std::to_string(origin.processId);
  out += ' ';
  out += names.msgId;
  out += " [";
  out += kSyslogSdId;
  out += " kind=\"";
  out += names.name;
  out += '"';
  if (entry.kind == kDroppedNoteKind) {
    out += " count=\"" + std::to_string(entry.dropped) + '"';
  } else {
    const EventFields f = parseEventFields(entry.text, entry.kind);
    appendParam(out, "ip", f.ip);
    if (f.ip.find(':') != std::string_view::npos) appendParam(out, "family", "ipv6");
    appendParam(out, "mac", f.mac);
    if (!f.mac.empty()) appendParam(out, "vendor", macVendor(f.mac));
    appendParam(out, "sampleIp", f.sampleIp);
    appendParam(out, "sampleMac", f.sampleMac);
    appendParam(out, "previousMac", f.previousMac);
    appendParam(out, "etherSource", f.etherSource);
    appendParam(out, "interface", f.interfaceName);
  }
  out += "] \xEF\xBB\xBF";
  out += utf8FromWindows1251(entry.text);
  return out;
}

std::string octetCountedFrame(std::string_view message) {
  std::string out = std::to_string(message.size());
  out += ' ';
  out += message;
  return out;
}

void cutUtf8(std::string& message, std::size_t limit) {
  if (message.size() <= limit) return;
  std::size_t n = limit;
  // Back over continuation bytes to the start of the character that would be split.
  while (n > 0 && (static_cast<unsigned char>(message[n]) & 0xC0) == 0x80) --n;
  message.resize(n);
}
