#pragma once
// IPv6 addresses: the one reader of IPv6 text (typed, stored, or shown by a system call), the
// text form every list, file and journal line uses, and the classes of address that are never
// a station's binding.
#include <cstdint>
#include <string>
#include <string_view>

struct Ipv6Address {
  std::uint8_t bytes[16];
};
bool operator==(const Ipv6Address& a, const Ipv6Address& b);

// Longest text form: 39 characters, or 45 with an IPv4 tail; a zone "%N" adds up to 11.
inline constexpr std::size_t kIpv6TextMax = 45;

// Eight groups of one to four hex digits joined by ':', at most one "::" standing for one or
// more zero groups, the last two groups optionally written as a dotted IPv4 address (four
// decimal numbers 0-255, as readIpv4Text reads them); blanks around ignored; any case. A zone
// "%N" (N a decimal interface index, 1 to 4294967295) is read into *zone when zone is given
// and refused otherwise; an address without one leaves *zone at 0.
bool readIpv6Text(std::string_view text, Ipv6Address& out, std::uint32_t* zone = nullptr);
// The canonical text form: lower case, leading zeros dropped, the longest run of two or more
// zero groups (the first of equal runs) as "::", an IPv4-mapped address with a dotted tail.
std::string formatIpv6(const Ipv6Address& address);
// The canonical form of what readIpv6Text reads (no zone); false otherwise.
bool canonicalIpv6Text(std::string_view text, std::string& out);
// Whether a text is meant as IPv6 (it holds a ':'): the front ends' choice of reader.
bool looksLikeIpv6(std::string_view text);
// Hex digits, ':' and at least one '*', at most 45 characters: an IPv6 sample pattern such as
// "fe80::*" (matched against the canonical text).
bool isIpv6Pattern(std::string_view text);

bool isUnspecified6(const Ipv6Address& a);  // ::
bool isLoopback6(const Ipv6Address& a);     // ::1
bool isMulticast6(const Ipv6Address& a);    // ff00::/8
bool isLinkLocal6(const Ipv6Address& a);    // fe80::/10
// Not unspecified, loopback or multicast: an address a station may hold.
bool isUnicast6(const Ipv6Address& a);
