#include "base/address6.h"

#include <cstring>

#include "base/address_input.h"

bool operator==(const Ipv6Address& a, const Ipv6Address& b) {
  return std::memcmp(a.bytes, b.bytes, 16) == 0;
}

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%N": a decimal interface index without sign or leading blanks, 1 to 4294967295.
bool readZone(std::string_view text, std::uint32_t& zone) {
  if (text.empty() || text.size() > 10) return false;
  std::uint64_t v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  if (v == 0 || v > UINT32_MAX) return false;
  zone = static_cast<std::uint32_t>(v);
  return true;
}

// The groups of one side of "::" into words; false on any fault. A dotted tail, allowed only
// where it ends the address, takes two words.
bool readGroups(std::string_view text, std::uint16_t* words, int& count, bool tailAllowed) {
  count = 0;
  if (text.empty()) return true;
  std::size_t pos = 0;
  while (true) {
    const std::size_t end = text.find(':', pos);
    const std::string_view group =
        text.substr(pos, end == std::string_view::npos ? end : end - pos);
    if (end == std::string_view::npos && tailAllowed && group.find('.') != std::string_view::npos) {
      std::uint32_t v4;
      if (count > 6 || !readIpv4Text(group, v4) || group != trimBlanks(group)) return false;
      words[count++] = static_cast<std::uint16_t>(v4 >> 16);
      words[count++] = static_cast<std::uint16_t>(v4 & 0xffff);
      return true;
    }
    if (group.empty() || group.size() > 4 || count >= 8) return false;
    unsigned v = 0;
    for (const char c : group) {
      const int h = hexValue(c);
      if (h < 0) return false;
      v = v * 16 + static_cast<unsigned>(h);
    }
    words[count++] = static_cast<std::uint16_t>(v);
    if (end == std::string_view::npos) return true;
    pos = end + 1;
  }
}

}  // namespace

bool readIpv6Text(std::string_view text, Ipv6Address& out, std::uint32_t* zone) {
  text = trimBlanks(text);
  std::uint32_t zoneValue = 0;
  if (const std::size_t percent = text.find('%'); percent != std::string_view::npos) {
    if (!zone || !readZone(text.substr(percent + 1), zoneValue)) return false;
    text = text.substr(0, percent);
  }
  if (text.size() > kIpv6TextMax) return false;
  std::uint16_t head[8], tail[8];
  int headCount = 0, tailCount = 0;
  const std::size_t gap = text.find("::");
  if (gap == std::string_view::npos) {
    if (!readGroups(text, head, headCount, true) || headCount != 8) return false;
  } else {
    const std::string_view after = text.substr(gap + 2);
    if (after.find("::") != std::string_view::npos) return false;
    if (!readGroups(text.substr(0, gap), head, headCount, false)) return false;
    if (!readGroups(after, tail, tailCount, true)) return false;
    if (headCount + tailCount > 7) return false;  // "::" stands for at least one group
  }
  std::uint16_t words[8] = {};
  for (int i = 0; i < headCount; ++i) words[i] = head[i];
  for (int i = 0; i < tailCount; ++i) words[8 - tailCount + i] = tail[i];
  for (int i = 0; i < 8; ++i) {
    out.bytes[2 * i] = static_cast<std::uint8_t>(words[i] >> 8);
    out.bytes[2 * i + 1] = static_cast<std::uint8_t>(words[i] & 0xff);
  }
  if (zone) *zone = zoneValue;
  return true;
}

std::string formatIpv6(const Ipv6Address& a) {
  std::uint16_t words[8];
  for (int i = 0; i < 8; ++i)
    words[i] = static_cast<std::uint16_t>(a.bytes[2 * i] << 8 | a.bytes[2 * i + 1]);
  // An IPv4-mapped address reads best with its dotted tail.
  const bool mapped = words[0] == 0 && words[1] == 0 && words[2] == 0 && words[3] == 0 &&
                      words[4] == 0 && words[5] == 0xffff;
  const int groups = mapped ? 6 : 8;
  int bestStart = -1, bestLength = 1;
  for (int i = 0; i < groups;) {
    if (words[i] != 0) {
      ++i;
      continue;
    }
    int j = i;
    while (j < groups && words[j] == 0) ++j;
    if (j - i > bestLength) bestStart = i, bestLength = j - i;
    i = j;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (int i = 0; i < groups; ++i) {
    if (i == bestStart) {
      out += "::";
      i += bestLength - 1;
      continue;
    }
    if (!out.empty() && out.back() != ':') out += ':';
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
      const int digit = (words[i] >> shift) & 15;
      if (digit || started || shift == 0) out += kHex[digit], started = true;
    }
  }
  if (mapped) {
    if (out.back() != ':') out += ':';
    for (int i = 12; i < 16; ++i) {
      out += std::to_string(a.bytes[i]);
      if (i < 15) out += '.';
    }
  }
  return out;
}

bool canonicalIpv6Text(std::string_view text, std::string& out) {
  Ipv6Address a;
  if (!readIpv6Text(text, a)) return false;
  out = formatIpv6(a);
  return true;
}

bool looksLikeIpv6(std::string_view text) { return text.find(':') != std::string_view::npos; }

bool isIpv6Pattern(std::string_view text) {
  text = trimBlanks(text);
  if (text.empty() || text.size() > kIpv6TextMax || text.find('*') == std::string_view::npos)
    return false;
  for (const char c : text)
    if (c != ':' && c != '*' && hexValue(c) < 0) return false;
  return true;
}

bool isUnspecified6(const Ipv6Address& a) {
  for (const std::uint8_t b : a.bytes)
    if (b) return false;
  return true;
}

bool isLoopback6(const Ipv6Address& a) {
  for (int i = 0; i < 15; ++i)
    if (a.bytes[i]) return false;
  return a.bytes[15] == 1;
}

bool isMulticast6(const Ipv6Address& a) { return a.bytes[0] == 0xff; }

bool isLinkLocal6(const Ipv6Address& a) {
  return a.bytes[0] == 0xfe && (a.bytes[1] & 0xc0) == 0x80;
}

bool isUnicast6(const Ipv6Address& a) {
  return !isUnspecified6(a) && !isLoopback6(a) && !isMulticast6(a);
}
