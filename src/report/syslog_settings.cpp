#include "report/syslog_settings.h"

#include <cstdio>

#include "base/text_field.h"
#include "platform/settings_platform.h"
#include "report/event_text.h"
#include "settings/settings.h"

namespace {

// Decimal digits only, within [low, high]; no sign, no blanks, no hex.
bool parseNumber(const std::string& text, std::int64_t low, std::int64_t high, std::int32_t& out) {
  if (text.empty() || text.size() > 10) return false;
  std::int64_t v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < low || v > high) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

// A host name or dotted address: letters, digits, '-', '.', '_'.
bool plausibleHost(const std::string& name) {
  if (name.size() > 253) return false;
  for (const char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '.' || c == '_';
    if (!ok) return false;
  }
  return true;
}

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string complaint(const char* key, const std::string& value) {
  char text[400];
  std::snprintf(text, sizeof text, "Неверное значение %s=%.300s в quorel.ini: syslog выключен.",
                key, value.c_str());
  return text;
}

std::string readKey(const char* key) {
  char value[512] = {};
  platform::profileGetString(kIniSection, key, "", value, sizeof value, iniPath.c_str());
  return value;
}

}  // namespace

bool parseSyslogSettings(const std::string& server, const std::string& port,
                         const std::string& proto, const std::string& mask, SyslogSettings& out,
                         std::string& problem) {
  out = SyslogSettings{};
  problem.clear();
  if (!plausibleHost(server)) {
    problem = complaint("SyslogServer", server);
    return false;
  }
  if (!port.empty() && !parseNumber(port, 1, 65535, out.SyslogPort)) {
    problem = complaint("SyslogPort", port);
    return false;
  }
  const std::string p = lowerAscii(proto);
  if (!p.empty() && p != "udp" && p != "tcp") {
    problem = complaint("SyslogProto", proto);
    return false;
  }
  out.tcp = p == "tcp";
  // Zero would send nothing and bits that no kind uses are a slip of the pen: both refused.
  if (!mask.empty() && (!parseNumber(mask, 1, kAllEventKinds, out.SyslogMask) ||
                        (out.SyslogMask & ~kAllEventKinds) != 0)) {
    problem = complaint("SyslogMask", mask);
    return false;
  }
  copyField(out.SyslogServer, server);
  return true;
}

bool readSyslogSettings(SyslogSettings& out, std::string& problem) {
  if (iniPath.empty()) {
    out = SyslogSettings{};
    problem.clear();
    return true;
  }
  return parseSyslogSettings(readKey("SyslogServer"), readKey("SyslogPort"), readKey("SyslogProto"),
                             readKey("SyslogMask"), out, problem);
}
