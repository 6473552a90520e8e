#pragma once
// What the machine-readable forms of a journal line share (syslog and JSON): the kind's
// names and severity, the fields parsed from the line and RFC 3339 time.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/system_platform.h"

struct EventKindNames {
  std::int32_t bit;   // 0: the sender's own note of dropped lines
  const char* name;   // "Spoofing", as the kind is called in code and in JSON
  const char* msgId;  // the syslog MSGID
  int severity;       // syslog severity, 0 emergency .. 7 debug
};

inline constexpr std::int32_t kDroppedNoteKind = 0;
// Every kind the journal knows: what SyslogMask selects by default.
inline constexpr std::int32_t kAllEventKinds = 1 | 2 | 4 | 16 | 32 | 64 | 256;

// The names of a kind; a value holding several bits takes the most severe one, and one
// holding no known bit is taken as Info.
const EventKindNames& eventKindNames(std::int32_t kind);

// What the wire watch journals beside the check's lines: the sender's IP and MAC, then
// " (" [kWireTailPrevious MAC ", "] kWireTailEther MAC ", " kWireTailInterface NAME ")".
inline constexpr const char* kWireMismatchLine = "Несовпадение MAC-адресов! ";      // Spoofing
inline constexpr const char* kWireFlipFlopLine = "Возврат прежнего MAC! ";          // Spoofing
inline constexpr const char* kWireGroupSenderLine = "Групповой MAC отправителя! ";  // Info
inline constexpr const char* kWireOffSubnetLine = "Адрес вне подсетей! ";           // Info
inline constexpr const char* kWireTailPrevious = "прежний MAC ";
inline constexpr const char* kWireTailEther = "Ethernet ";
inline constexpr const char* kWireTailInterface = "интерфейс ";

// What the IPv6 watch journals (all Spoofing): the router's address and MAC, then " (" and
// the parts known, joined by "; ": [kRouterTailSample IP " " MAC] kRouterTailPrefixes P/L ", "
// P/L, kRouterTailLifetime N " с", kRouterTailDns D ", " D, or (a default route of the table)
// kRouterTailRoute ", интерфейс " NAME; ")". The DHCPv6 server's address and MAC, then
// " (DNS D, D)" when it names servers. A DNS server's address and " (адаптер NAME)".
inline constexpr const char* kRogueRouterLine = "Чужой маршрутизатор IPv6! ";
inline constexpr const char* kRogueDhcp6Line = "Чужой DHCPv6-сервер! ";
inline constexpr const char* kNewDnsServerLine = "Новый DNS-сервер! ";
inline constexpr const char* kRouterTailSample = "образец ";
inline constexpr const char* kRouterTailPrefixes = "префиксы ";
inline constexpr const char* kRouterTailLifetime = "время жизни ";
inline constexpr const char* kRouterTailDns = "DNS ";
inline constexpr const char* kRouterTailRoute = "маршрут по умолчанию";
inline constexpr const char* kDnsTailAdapter = "адаптер ";

// The addresses a line names. Views into the text; empty when the line has none.
struct EventFields {
  std::string_view ip, mac, sampleIp, sampleMac;
  std::string_view etherSource, previousMac, interfaceName;  // the wire watch's lines
};
// Spoofing "Подмена адреса! IP MAC (IP MAC)" and a scan's "Конфликт адреса! IP: ответы с MAC
// и MAC" (the second MAC), new and additional address "... IP MAC", the wire watch's lines and
// the IPv6 watch's lines above (a router's sample; a DNS server's adapter as interfaceName).
EventFields parseEventFields(std::string_view text, std::int32_t kind);

// Minutes east of UTC in force at that local time (the platform's time-zone rules).
int localOffsetMinutes(const platform::WallClock& t);
// "2026-12-08T01:02:03+03:00"; offset 0 is written "Z".
std::string rfc3339Time(const platform::WallClock& t, int offsetMinutes);
