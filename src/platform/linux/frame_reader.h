#pragma once
// Reads big-endian fields off received bytes, checking the length at every step: a read past
// the end reads zeros and leaves ok false for good.
#include <cstddef>
#include <cstdint>
#include <cstring>

struct FrameReader {
  const std::uint8_t* in;
  std::size_t length;
  std::size_t at = 0;
  bool ok = true;

  std::size_t left() const { return ok ? length - at : 0; }
  void bytes(void* p, std::size_t n) {
    if (!ok || n > length - at) {
      ok = false;
      std::memset(p, 0, n);
      return;
    }
    std::memcpy(p, in + at, n);
    at += n;
  }
  void skip(std::size_t n) {
    if (!ok || n > length - at) {
      ok = false;
      return;
    }
    at += n;
  }
  std::uint8_t u8() {
    std::uint8_t v = 0;
    bytes(&v, 1);
    return v;
  }
  std::uint16_t u16() {
    std::uint8_t b[2];
    bytes(b, 2);
    return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
  }
  std::uint32_t u32() {
    std::uint8_t b[4];
    bytes(b, 4);
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
  }
  // The next n bytes as a reader of their own; this one moves past them.
  FrameReader take(std::size_t n) {
    FrameReader part{in + at, 0};
    if (!ok || n > length - at) {
      ok = false;
      part.ok = false;
      return part;
    }
    part.length = n;
    at += n;
    return part;
  }
};

inline constexpr std::uint16_t kEtherTypeVlan = 0x8100;  // 802.1Q
inline constexpr std::uint16_t kEtherTypeQinQ = 0x88a8;  // 802.1ad

// The EtherType after at most maxTags 802.1Q/802.1ad tags, read from where it stands. tagged
// says whether there was a tag, vlanId the first VID that is not 0 (a priority tag names no
// VLAN); the priority and drop bits say nothing of the VLAN.
inline std::uint16_t etherTypeAfterTags(FrameReader& r, int maxTags, bool& tagged,
                                        std::uint16_t& vlanId) {
  std::uint16_t type = r.u16();
  for (int tags = 0; tags < maxTags && (type == kEtherTypeVlan || type == kEtherTypeQinQ); ++tags) {
    const std::uint16_t vid = r.u16() & 0x0fff;
    if (vlanId == 0) vlanId = vid;
    tagged = true;
    type = r.u16();
  }
  return type;
}
