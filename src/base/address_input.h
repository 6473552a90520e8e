#pragma once
// The one reader per kind of address text a user types or a file holds. Everything typed or
// stored goes through these before it is matched, stored or handed to the system.
#include <cstdint>
#include <string>
#include <string_view>

// IPv4 as a user types or a file holds it: four decimal numbers 0-255 joined by dots, blanks
// around ignored; leading zeros are decimal (010 is 10, one meaning everywhere). Short forms
// (a.b.c: a typo more often than meant), hex, signs, empty parts, more than four: refused.
bool readIpv4Text(std::string_view text, std::uint32_t& hostOrder);
// MAC in any usual form: xx-xx-xx-xx-xx-xx and xx:xx:xx:xx:xx:xx (one or two digits a group),
// xxxx.xxxx.xxxx, 12 bare hex digits; any case.
bool readMacText(std::string_view text, std::uint8_t (&bytes)[6]);
// The table's own form ("xx-xx-xx-xx-xx-xx", lower case) of any MAC readMacText reads; false
// otherwise.
bool canonicalMacText(std::string_view text, char (&out)[20]);
// The dotted-decimal form of an address readIpv4Text reads as four numbers; false otherwise.
bool canonicalIpv4Text(std::string_view text, char (&out)[20]);
bool isIpPattern(
    std::string_view text);  // numbers 0-255 and '*' in at most four dotted parts, with a '*'
// Hex digits, '*' (at least one) and one of the separators - : . throughout, or none.
bool isMacPattern(std::string_view text);
bool isUnicastMac(const std::uint8_t (&bytes)[6]);  // not all-zero, not broadcast, group bit clear
bool isUnicastIpv4(std::uint32_t hostOrder);   // not 0.0.0.0, not 224.0.0.0/4, not 255.255.255.255
bool isUnicastMacText(std::string_view text);  // read by readMacText, and unicast
// A sample MAC that contradicts nothing: empty (the address is only known), or six bytes
// that name no host (zero, broadcast, multicast; told once when the samples are read).
bool sampleMacSaysNothing(std::string_view text);

// Why a MAC text is no MAC a static entry may hold; None for a real unicast MAC.
enum class MacFault { None, NotMac, Pattern, Zero, Broadcast, Multicast };
MacFault macTextFault(std::string_view text);
const char* macFaultText(MacFault fault);  // the reason, for messages and journal lines
// Why an IP text is no unicast address; None for one.
enum class IpFault { None, NotAddress, Zero, Multicast, Broadcast };
IpFault ipTextFault(std::string_view text);
const char* ipFaultText(IpFault fault);

// "Неверный IP-адрес: <ip> — <reason>." or the same for the MAC when the pair is no unicast
// address with a real MAC; empty when only a real pair is given, which alone may reach the
// system's table.
std::string staticPairFault(std::string_view ipText, std::string_view macText);

// Without the blanks a user or a file puts around a value.
std::string_view trimBlanks(std::string_view text);
