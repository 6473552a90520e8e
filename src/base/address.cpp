#include "base/address.h"

#include <cstring>

#include "base/text_field.h"

AddressList CacheList;
AddressList LastCacheList;
AddressList SampleList;
AddressList ScanResults;

AddressEntry makeEntry() {
  AddressEntry e;
  std::memset(&e, 0, sizeof e);
  return e;
}

namespace {

// The blanks that scanf's numeric conversions skip (C locale isspace).
bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// One scanf "%d": blanks, an optional sign, at least one digit. Overlong numbers wrap
// modulo 2^32 rather than being undefined.
bool isDigit(const char* s, const char* end) { return s < end && *s >= '0' && *s <= '9'; }

bool scanDecimal(const char*& p, const char* end, std::uint32_t& value) {
  const char* s = p;
  while (s < end && isBlank(*s)) ++s;
  bool negative = false;
  if (s < end && (*s == '+' || *s == '-')) negative = *s++ == '-';
  if (!isDigit(s, end)) return false;
  std::uint32_t v = 0;
  while (isDigit(s, end)) v = v * 10u + static_cast<std::uint32_t>(*s++ - '0');
  value = negative ? 0u - v : v;
  p = s;
  return true;
}

// One scanf "%x": blanks, an optional sign, an optional 0x prefix, at least one hex digit.
bool scanHex(const char*& p, const char* end, std::uint32_t& value) {
  const char* s = p;
  while (s < end && isBlank(*s)) ++s;
  bool negative = false;
  if (s < end && (*s == '+' || *s == '-')) negative = *s++ == '-';
  if (end - s >= 3 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') && hexDigit(s[2]) >= 0) s += 2;
  if (s == end || hexDigit(*s) < 0) return false;
  std::uint32_t v = 0;
  for (int d; s < end && (d = hexDigit(*s)) >= 0; ++s) v = v * 16u + static_cast<std::uint32_t>(d);
  value = negative ? 0u - v : v;
  p = s;
  return true;
}

char* putDecimal(char* out, unsigned v) {
  if (v >= 100) *out++ = static_cast<char>('0' + v / 100);
  if (v >= 10) *out++ = static_cast<char>('0' + v / 10 % 10);
  *out++ = static_cast<char>('0' + v % 10);
  return out;
}

}  // namespace

std::uint32_t parseIpv4(const char* text) { return text ? parseIpv4(std::string_view(text)) : 0; }

std::uint32_t parseIpv4(std::string_view text) {
  std::uint32_t n[4];
  const char* p = text.data();
  const char* end = p + text.size();
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (p == end || *p != '.') return 0;
      ++p;
    }
    if (!scanDecimal(p, end, n[i])) return 0;
  }
  return n[0] << 24 | n[1] << 16 | n[2] << 8 | n[3];
}

void formatIpv4(std::uint32_t networkOrder, char (&out)[20]) {
  std::uint8_t b[4];
  std::memcpy(b, &networkOrder, 4);
  char* p = out;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) *p++ = '.';
    p = putDecimal(p, b[i]);
  }
  *p = 0;
}

void formatIpv4Host(std::uint32_t hostOrder, char (&out)[20]) {
  formatIpv4(hostToNetwork(hostOrder), out);
}

void formatMac(const std::uint8_t* bytes, char (&out)[20]) {
  char* p = out;
  for (int i = 0; i < 6; ++i) {
    if (i > 0) *p++ = '-';
    *p++ = kHexDigits[bytes[i] >> 4];
    *p++ = kHexDigits[bytes[i] & 15];
  }
  *p = 0;
}

int parseMac(const char* text, std::uint8_t (&bytes)[6]) {
  return text ? parseMac(std::string_view(text), bytes) : 0;
}

int parseMac(std::string_view text, std::uint8_t (&bytes)[6]) {
  const char* p = text.data();
  const char* end = p + text.size();
  for (int i = 0; i < 6; ++i) {
    if (i > 0) {
      if (p == end || *p != '-') return i;
      ++p;
    }
    std::uint32_t v;
    if (!scanHex(p, end, v)) return i;
    bytes[i] = static_cast<std::uint8_t>(v & 0xff);
  }
  return 6;
}

std::uint32_t hostToNetwork(std::uint32_t hostOrder) {
  const std::uint8_t b[4] = {
      static_cast<std::uint8_t>(hostOrder >> 24), static_cast<std::uint8_t>(hostOrder >> 16),
      static_cast<std::uint8_t>(hostOrder >> 8), static_cast<std::uint8_t>(hostOrder)};
  std::uint32_t v;
  std::memcpy(&v, b, 4);
  return v;
}

std::uint32_t networkToHost(std::uint32_t networkOrder) {
  std::uint8_t b[4];
  std::memcpy(b, &networkOrder, 4);
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

bool matchPattern(std::string_view pattern, std::string_view text) {
  return matchPattern(pattern, text, kPatternMax);
}

bool matchPattern(std::string_view pattern, std::string_view text, std::size_t maxLength) {
  if (pattern.size() > maxLength || text.size() > maxLength) return false;
  std::size_t star = pattern.find('*');
  if (star == std::string_view::npos) return pattern == text;

  // Every segment but the last is searched left to right from a cursor; the first one
  // must sit at the very start.
  std::size_t cursor = 0;
  std::size_t segStart = 0;
  bool first = true;
  while (star != std::string_view::npos) {
    std::string_view seg = pattern.substr(segStart, star - segStart);
    if (first) {
      // The leftmost occurrence must be at 0, which is a plain prefix test.
      if (!text.starts_with(seg)) return false;
      cursor = seg.size();
    } else if (!seg.empty()) {
      std::size_t at = text.find(seg, cursor);
      if (at == std::string_view::npos) return false;
      cursor = at + seg.size();
    }
    first = false;
    segStart = star + 1;
    star = pattern.find('*', segStart);
  }
  // The last segment is held against the end of the whole text, regardless of the cursor.
  std::string_view last = pattern.substr(segStart);
  return last.size() <= text.size() && text.substr(text.size() - last.size()) == last;
}

bool sameBinding(const AddressEntry& a, const AddressEntry& b) {
  return fieldView(a.ipText) == fieldView(b.ipText) &&
         fieldView(a.macText) == fieldView(b.macText) &&
         fieldView(a.typeText) == fieldView(b.typeText);
}

bool lessByIp(const AddressEntry& a, const AddressEntry& b) {
  return parseIpv4(fieldView(a.ipText)) < parseIpv4(fieldView(b.ipText));
}

bool lessByMac(const AddressEntry& a, const AddressEntry& b) {
  return fieldView(a.macText) < fieldView(b.macText);
}

bool greaterByType(const AddressEntry& a, const AddressEntry& b) {
  return fieldView(a.typeText) > fieldView(b.typeText);
}

bool lessByName(const AddressEntry& a, const AddressEntry& b) {
  return fieldView(a.hostName) < fieldView(b.hostName);
}
