#pragma once
// Where journal lines go as syslog: SyslogServer, SyslogPort, SyslogProto and SyslogMask of
// quorel.ini. Read once at start, never written, not in the settings dialog.
#include <cstdint>
#include <string>

struct SyslogSettings {
  char SyslogServer[256] = {};  // host name or dotted address; empty: no syslog
  std::int32_t SyslogPort = 514;
  bool tcp = false;  // SyslogProto "tcp" (octet-counted frames) or "udp"
  std::int32_t SyslogMask = 1 | 2 | 4 | 16 | 32 | 64 | 256;  // EventKind bits sent
};

// Checks the four values as they stand in the file (missing or empty: the default). False
// with the journal's complaint in problem (Windows-1251) when one is unusable.
bool parseSyslogSettings(const std::string& server, const std::string& port,
                         const std::string& proto, const std::string& mask, SyslogSettings& out,
                         std::string& problem);
// Reads the four keys from iniPath (no file: the defaults, so no syslog).
bool readSyslogSettings(SyslogSettings& out, std::string& problem);
