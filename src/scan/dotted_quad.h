#pragma once
// The dotted-quad conversion of the socket layer (inet_addr), without the socket layer.
#include <cstdint>

inline constexpr std::uint32_t kNoDottedAddress = 0xFFFFFFFFu;

// One to four numbers joined by dots, each decimal, octal (leading 0) or hexadecimal (0x);
// the last number fills the bytes that are left. A blank ends the text. Network order;
// kNoDottedAddress for a text that is no address (as for 255.255.255.255 itself).
std::uint32_t dottedQuadAddress(const char* text);
