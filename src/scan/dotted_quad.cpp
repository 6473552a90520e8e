#include "scan/dotted_quad.h"

#include "base/address.h"

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// One number in C notation; false when no digit of its base starts at p or it overflows.
bool readNumber(const char*& p, std::uint64_t& value) {
  unsigned base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  } else if (p[0] == '0') {
    base = 8;
  }
  const char* start = p;
  value = 0;
  for (;; ++p) {
    unsigned digit;
    if (*p >= '0' && *p <= '9')
      digit = static_cast<unsigned>(*p - '0');
    else if (base == 16 && *p >= 'a' && *p <= 'f')
      digit = static_cast<unsigned>(*p - 'a' + 10);
    else if (base == 16 && *p >= 'A' && *p <= 'F')
      digit = static_cast<unsigned>(*p - 'A' + 10);
    else
      break;
    if (digit >= base) return false;
    value = value * base + digit;
    if (value > 0xFFFFFFFFu) return false;
  }
  return p != start;
}

}  // namespace

std::uint32_t dottedQuadAddress(const char* text) {
  if (!text) return kNoDottedAddress;
  const char* p = text;
  std::uint64_t parts[4];
  int n = 0;
  for (;;) {
    if (n == 4 || !readNumber(p, parts[n])) return kNoDottedAddress;
    ++n;
    if (*p != '.') break;
    ++p;
  }
  if (*p != 0 && !isBlank(*p)) return kNoDottedAddress;
  // Every number but the last is one byte; the last fills what is left.
  std::uint32_t value = 0;
  for (int i = 0; i < n - 1; ++i) {
    if (parts[i] > 0xFF) return kNoDottedAddress;
    value |= static_cast<std::uint32_t>(parts[i]) << (24 - 8 * i);
  }
  const int restBits = 32 - 8 * (n - 1);
  if (restBits < 32 && parts[n - 1] >> restBits) return kNoDottedAddress;
  value |= static_cast<std::uint32_t>(parts[n - 1]);
  return hostToNetwork(value);
}
