#pragma once
// RFC 5424 messages from journal lines, their TCP framing (RFC 6587 octet counting) and the
// cut that keeps a UDP datagram within bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/system_platform.h"

inline constexpr int kSyslogFacilityDaemon = 3;
inline constexpr std::size_t kSyslogUdpMax = 2048;
// The structured data's SD-ID (the documentation enterprise number).
inline constexpr const char* kSyslogSdId = "vetrel@32473";

// Who sends: HOSTNAME and PROCID of every message.
struct SyslogOrigin {
  std::string hostName;
  std::uint32_t processId = 0;
};

// One line as the sender holds it until it is sent.
struct SyslogEntry {
  std::string text;  // Windows-1251, as journalled
  std::int32_t kind = 0;
  platform::WallClock time{};
  int offsetMinutes = 0;
  std::uint64_t dropped = 0;  // kind kDroppedNoteKind: how many lines were lost
};

// <PRI>1 TIMESTAMP HOSTNAME vetrel PROCID MSGID [vetrel@32473 ...] BOM MSG
std::string syslogMessage(const SyslogEntry& entry, const SyslogOrigin& origin);
// The text of the note that stands for lines the full queue dropped (Windows-1251).
std::string droppedNoteText(std::uint64_t dropped);

// HOSTNAME as RFC 5424 allows it: printable US-ASCII without blanks, at most 255; "-" empty.
std::string syslogHostName(std::string_view name);
// Appends an SD-PARAM value with '"', '\' and ']' escaped.
void appendSdValue(std::string& out, std::string_view utf8);

// "LEN SP MSG".
std::string octetCountedFrame(std::string_view message);
// Cuts message to at most limit bytes without splitting a UTF-8 sequence.
void cutUtf8(std::string& message, std::size_t limit);
