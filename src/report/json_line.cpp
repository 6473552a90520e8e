#include "report/json_line.h"

#include "base/vendor_table.h"
#include "base/windows1251.h"
#include "report/event_text.h"

void appendJsonString(std::string& out, std::string_view utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char ch : utf8) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

namespace {

void appendMember(std::string& out, const char* name, std::string_view windows1251) {
  out += ",\"";
  out += name;
  out += "\":";
  appendJsonString(out, utf8FromWindows1251(windows1251));
}

}  // namespace

std::string journalJson(std::string_view text, std::int32_t kind, const platform::WallClock& time,
                        int offsetMinutes) {
  std::string out;
  out.reserve(96 + text.size() * 2);
  out += "{\"time\":\"";
  out += rfc3339Time(time, offsetMinutes);
  out += "\",\"kind\":\"";
  out += eventKindNames(kind).name;
  out += '"';
  appendMember(out, "text", text);
  const EventFields f = parseEventFields(text, kind);
  if (!f.ip.empty()) appendMember(out, "ip", f.ip);
  if (f.ip.find(':') != std::string_view::npos) out += ",\"family\":\"ipv6\"";
  if (!f.mac.empty()) {
    appendMember(out, "mac", f.mac);
    appendMember(out, "vendor", macVendor(f.mac));
  }
  if (!f.sampleIp.empty()) appendMember(out, "sampleIp", f.sampleIp);
  if (!f.sampleMac.empty()) appendMember(out, "sampleMac", f.sampleMac);
  if (!f.previousMac.empty()) appendMember(out, "previousMac", f.previousMac);
  if (!f.etherSource.empty()) appendMember(out, "etherSource", f.etherSource);
  if (!f.interfaceName.empty()) appendMember(out, "interface", f.interfaceName);
  out += '}';
  return out;
}

std::string journalJson(const JournalRecord& record) {
  return journalJson(record.text, record.kind, record.time, localOffsetMinutes(record.time));
}

std::string scanHostJson(std::string_view ip, std::string_view mac, std::string_view name,
                         std::string_view vendor, const platform::WallClock& time,
                         int offsetMinutes) {
  std::string out;
  out.reserve(96 + name.size() * 2);
  out += "{\"time\":\"";
  out += rfc3339Time(time, offsetMinutes);
  out += "\",\"kind\":\"Host\"";
  appendMember(out, "ip", ip);
  appendMember(out, "mac", mac);
  appendMember(out, "name", name);
  appendMember(out, "vendor", vendor);
  out += '}';
  return out;
}
