#include "base/address_input.h"

#include "base/address.h"
#include "base/text_field.h"

namespace {

bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One decimal number of at least one digit; leading zeros are decimal. False past 2^32 - 1.
bool readDecimal(std::string_view part, std::uint64_t& value) {
  if (part.empty()) return false;
  value = 0;
  for (char c : part) {
    if (!isDigit(c)) return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 0xFFFFFFFFu) return false;
  }
  return true;
}

// Two hex digits at p into one byte.
bool readHexByte(const char* p, std::uint8_t& byte) {
  const int hi = hexDigit(p[0]), lo = hexDigit(p[1]);
  if (hi < 0 || lo < 0) return false;
  byte = static_cast<std::uint8_t>(hi << 4 | lo);
  return true;
}

// Groups of exactly `group` hex digits, joined by sep (none when sep is 0).
bool readFixedGroups(std::string_view t, std::size_t group, char sep, std::uint8_t (&bytes)[6]) {
  const std::size_t digits = 12 + (sep ? 12 / group - 1 : 0);
  if (t.size() != digits) return false;
  char hex[12];
  std::size_t n = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    // With separators every (group + 1)th character is one.
    if (sep && (i + 1) % (group + 1) == 0) {
      if (t[i] != sep) return false;
    } else {
      hex[n++] = t[i];
    }
  }
  for (int i = 0; i < 6; ++i)
    if (!readHexByte(hex + 2 * i, bytes[i])) return false;
  return true;
}

// Six groups of one or two hex digits joined by sep, as the system's "%x-%x-..." reading
// takes them (2-0-0-0-0-77).
bool readShortGroups(std::string_view t, char sep, std::uint8_t (&bytes)[6]) {
  std::size_t i = 0;
  for (int group = 0; group < 6; ++group) {
    if (group > 0 && (i >= t.size() || t[i++] != sep)) return false;
    int value = 0, digits = 0;
    for (; i < t.size() && digits < 3 && hexDigit(t[i]) >= 0; ++i, ++digits)
      value = value * 16 + hexDigit(t[i]);
    if (digits < 1 || digits > 2) return false;
    bytes[group] = static_cast<std::uint8_t>(value);
  }
  return i == t.size();
}

}  // namespace

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool readIpv4Text(std::string_view text, std::uint32_t& hostOrder) {
  text = trimBlanks(text);
  std::uint64_t parts[4];
  int n = 0;
  for (;;) {
    const std::size_t dot = text.find('.');
    if (n == 4) return false;
    if (!readDecimal(text.substr(0, dot), parts[n])) return false;
    ++n;
    if (dot == std::string_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  if (n != 4) return false;
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    if (parts[i] > 0xFF) return false;
    value |= static_cast<std::uint32_t>(parts[i]) << (24 - 8 * i);
  }
  hostOrder = value;
  return true;
}

bool readMacText(std::string_view text, std::uint8_t (&bytes)[6]) {
  text = trimBlanks(text);
  std::uint8_t b[6];
  const bool read = readShortGroups(text, '-', b) || readShortGroups(text, ':', b) ||
                    readFixedGroups(text, 4, '.', b) || readFixedGroups(text, 12, 0, b);
  if (!read) return false;
  for (int i = 0; i < 6; ++i) bytes[i] = b[i];
  return true;
}

bool canonicalMacText(std::string_view text, char (&out)[20]) {
  std::uint8_t b[6];
  if (!readMacText(text, b)) return false;
  formatMac(b, out);
  return true;
}

bool canonicalIpv4Text(std::string_view text, char (&out)[20]) {
  std::uint32_t v;
  if (!readIpv4Text(text, v)) return false;
  formatIpv4Host(v, out);
  return true;
}

bool isIpPattern(std::string_view text) {
  if (text.empty() || text.find('*') == std::string_view::npos) return false;
  int parts = 1;
  std::uint32_t run = 0;  // the number being read in this part
  int runDigits = 0;
  char last = '.';
  for (char c : text) {
    if (c == '.') {
      if (last == '.' || ++parts > 4) return false;  // empty parts read nothing
      runDigits = 0;
    } else if (c == '*') {
      runDigits = 0;
    } else if (isDigit(c)) {
      run = runDigits ? run * 10 + static_cast<unsigned>(c - '0') : static_cast<unsigned>(c - '0');
      if (++runDigits > 3 || run > 255) return false;
    } else {
      return false;
    }
    last = c;
  }
  return last != '.';
}

bool isMacPattern(std::string_view text) {
  // Longer patterns match nothing at all.
  if (text.empty() || text.size() > 31 || text.find('*') == std::string_view::npos) return false;
  char separator = 0;  // one form throughout: a pattern is matched in the form it is written
  for (char c : text) {
    if (hexDigit(c) >= 0 || c == '*') continue;
    if ((c != '-' && c != ':' && c != '.') || (separator && c != separator)) return false;
    separator = c;
  }
  return true;
}

bool isUnicastMac(const std::uint8_t (&bytes)[6]) {
  bool zero = true;
  for (std::uint8_t b : bytes) zero = zero && b == 0;
  return !zero && (bytes[0] & 1) == 0;  // broadcast has the group bit set too
}

bool isUnicastMacText(std::string_view text) {
  std::uint8_t b[6];
  return readMacText(text, b) && isUnicastMac(b);
}

bool sampleMacSaysNothing(std::string_view text) {
  std::uint8_t b[6];
  return trimBlanks(text).empty() || (readMacText(text, b) && !isUnicastMac(b));
}

bool isUnicastIpv4(std::uint32_t hostOrder) {
  return hostOrder != 0 && (hostOrder >> 28) != 0xE && hostOrder != 0xFFFFFFFFu;
}

MacFault macTextFault(std::string_view text) {
  std::uint8_t b[6];
  if (!readMacText(text, b))
    return isMacPattern(trimBlanks(text)) ? MacFault::Pattern : MacFault::NotMac;
  if (isUnicastMac(b)) return MacFault::None;
  bool zero = true, broadcast = true;
  for (std::uint8_t x : b) {
    zero = zero && x == 0;
    broadcast = broadcast && x == 0xFF;
  }
  return zero ? MacFault::Zero : broadcast ? MacFault::Broadcast : MacFault::Multicast;
}

const char* macFaultText(MacFault fault) {
  switch (fault) {
    case MacFault::None:
      return "";
    case MacFault::NotMac:
      return "не шесть байтов";
    case MacFault::Pattern:
      return "шаблон, а не адрес";
    case MacFault::Zero:
      return "нулевой адрес";
    case MacFault::Broadcast:
      return "широковещательный адрес";
    case MacFault::Multicast:
      return "групповой адрес";
  }
  return "";
}

IpFault ipTextFault(std::string_view text) {
  std::uint32_t v;
  if (!readIpv4Text(text, v)) return IpFault::NotAddress;
  if (v == 0) return IpFault::Zero;
  if (v == 0xFFFFFFFFu) return IpFault::Broadcast;
  return (v >> 28) == 0xE ? IpFault::Multicast : IpFault::None;
}

const char* ipFaultText(IpFault fault) {
  switch (fault) {
    case IpFault::None:
      return "";
    case IpFault::NotAddress:
      return "нужны четыре числа от 0 до 255 через точку";
    case IpFault::Zero:
      return "нулевой адрес";
    case IpFault::Multicast:
      return "групповой адрес";
    case IpFault::Broadcast:
      return "широковещательный адрес";
  }
  return "";
}

std::string staticPairFault(std::string_view ipText, std::string_view macText) {
  const IpFault ip = ipTextFault(ipText);
  if (ip != IpFault::None)
    return "Неверный IP-адрес: " + std::string(ipText) + " — " + ipFaultText(ip) + ".";
  if (trimBlanks(macText).empty()) return "Нет MAC-адреса";
  const MacFault mac = macTextFault(macText);
  if (mac != MacFault::None)
    return "Неверный MAC-адрес: " + std::string(macText) + " — " + macFaultText(mac) + ".";
  return {};
}
