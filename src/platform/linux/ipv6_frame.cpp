#include "platform/linux/ipv6_frame.h"

#include <cstring>

#include "platform/linux/frame_reader.h"

namespace {

constexpr std::uint16_t kEtherTypeIpv6 = 0x86dd;
constexpr std::uint8_t kHopByHop = 0;
constexpr std::uint8_t kDestinationOptions = 60;
constexpr std::uint8_t kIcmpv6 = 58;
constexpr std::uint8_t kUdp = 17;
// Each header is at least 8 bytes, so the payload length bounds the walk anyway; this only
// bounds its cost. No sender needs more than two.
constexpr int kExtensionHeadersMax = 16;

constexpr std::uint8_t kRouterAdvert = 134;
constexpr std::uint8_t kNeighbourSolicit = 135;
constexpr std::uint8_t kNeighbourAdvert = 136;
constexpr std::uint8_t kOptionSourceLink = 1;
constexpr std::uint8_t kOptionTargetLink = 2;
constexpr std::uint8_t kOptionPrefix = 3;
constexpr std::uint8_t kOptionRdnss = 25;

constexpr std::uint16_t kDhcp6ServerPort = 547;
constexpr std::uint16_t kDhcp6ClientPort = 546;
constexpr std::uint8_t kDhcp6Advertise = 2;
constexpr std::uint8_t kDhcp6Reply = 7;
constexpr std::uint16_t kDhcp6DnsServers = 23;

struct Ipv6Header {
  bool checkSum;
  std::uint8_t hopLimit;
  std::uint8_t source[16];
  std::uint8_t destination[16];
};

bool multicast(const std::uint8_t (&a)[16]) { return a[0] == 0xff; }
bool linkLocal(const std::uint8_t (&a)[16]) { return a[0] == 0xfe && (a[1] & 0xc0) == 0x80; }
bool unspecified(const std::uint8_t (&a)[16]) {
  static constexpr std::uint8_t zero[16] = {};
  return std::memcmp(a, zero, 16) == 0;
}
// ff02::1:ffXX:XXXX
bool solicitedNode(const std::uint8_t (&a)[16]) {
  static constexpr std::uint8_t prefix[13] = {0xff, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0xff};
  return std::memcmp(a, prefix, sizeof prefix) == 0;
}

// The Internet checksum over the pseudo-header and the upper-layer message: hosts drop a frame
// whose sum fails, so the frame would tell of something that never took effect.
bool checksumHolds(const Ipv6Header& h, std::uint8_t next, const std::uint8_t* message,
                   std::size_t length) {
  if (!h.checkSum) return true;
  // One's complement: 65536 counts as 1, so the pseudo-header's 32-bit length needs no split.
  std::uint64_t sum = length + next;
  for (int i = 0; i < 16; i += 2)
    sum += (h.source[i] << 8 | h.source[i + 1]) + (h.destination[i] << 8 | h.destination[i + 1]);
  for (std::size_t i = 0; i < length; i += 2)
    sum += message[i] << 8 | (i + 1 < length ? message[i + 1] : 0);
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  return sum == 0xffff;
}

// Walks Hop-by-Hop (first only, as hosts take it) and Destination Options headers; next is
// then the upper-layer protocol and payload at its first byte.
bool skipExtensionHeaders(FrameReader& payload, std::uint8_t& next) {
  for (int n = 0; next == kHopByHop || next == kDestinationOptions; ++n) {
    if (n == kExtensionHeadersMax || (next == kHopByHop && n > 0)) return false;
    const std::uint8_t following = payload.u8();
    const std::size_t bytes = (std::size_t{payload.u8()} + 1) * 8;
    payload.skip(bytes - 2);
    if (!payload.ok) return false;
    next = following;
  }
  return true;
}

void readAddresses(FrameReader& o, std::size_t count, std::uint8_t (*list)[16],
                   std::uint8_t& listed) {
  for (std::size_t i = 0; i < count && listed < platform::kHeardListMax; ++i)
    o.bytes(list[listed++], 16);
}

// One option of a known length. A known option of the wrong length is passed over, as hosts
// pass it over, the message still counting.
void readNdOption(std::uint8_t type, std::size_t units, FrameReader& o, platform::HeardIpv6& read,
                  bool& sawLinkOption) {
  using K = platform::HeardIpv6::Kind;
  const bool router = read.kind == K::RouterAdvert;
  if (type == kOptionSourceLink || type == kOptionTargetLink) {
    sawLinkOption |= type == kOptionSourceLink;
    const bool wanted = (type == kOptionTargetLink) == (read.kind == K::NeighbourAdvert);
    if (wanted && units == 1 && !read.hasLinkAddress) {
      o.bytes(read.linkAddress, 6);
      read.hasLinkAddress = true;
    }
  } else if (router && type == kOptionPrefix && units == 4) {
    const std::uint8_t length = o.u8();
    o.skip(1);  // flags
    const std::uint32_t valid = o.u32();
    o.skip(8);  // preferred lifetime, reserved
    if (length > 128 || read.prefixCount >= platform::kHeardListMax) return;
    platform::HeardIpv6::Prefix& p = read.prefixes[read.prefixCount++];
    p.length = length;
    p.validLifetime = valid;
    o.bytes(p.bytes, 16);
  } else if (router && type == kOptionRdnss && units >= 3 && units % 2 == 1) {
    o.skip(2);  // reserved
    // A lifetime of 0 takes servers back: none is announced.
    if (o.u32() != 0) readAddresses(o, (units - 1) / 2, read.dns, read.dnsCount);
  }
}

bool readNdMessage(FrameReader& m, const Ipv6Header& h, platform::HeardIpv6& read) {
  using K = platform::HeardIpv6::Kind;
  const std::uint8_t* message = m.in + m.at;
  const std::size_t length = m.left();
  const std::uint8_t type = m.u8();
  const std::uint8_t code = m.u8();
  m.skip(2);  // checksum
  // A hop limit below 255 means a router forwarded it: from off the link, hosts drop it.
  if (h.hopLimit != 255 || code != 0) return false;
  bool solicited = false;
  if (type == kNeighbourSolicit) {
    read.kind = K::NeighbourSolicit;
    m.skip(4);
    m.bytes(read.target, 16);
  } else if (type == kNeighbourAdvert) {
    read.kind = K::NeighbourAdvert;
    const std::uint8_t flags = m.u8();
    read.routerFlag = flags & 0x80;
    read.solicitedFlag = solicited = flags & 0x40;
    read.overrideFlag = flags & 0x20;
    m.skip(3);
    m.bytes(read.target, 16);
  } else if (type == kRouterAdvert) {
    read.kind = K::RouterAdvert;
    m.skip(2);  // current hop limit, flags
    read.routerLifetime = m.u16();
    m.skip(8);  // reachable time, retransmission timer
    if (!linkLocal(h.source)) return false;
  } else {
    return false;
  }
  if (!m.ok) return false;
  const bool neighbour = read.kind != K::RouterAdvert;
  if (neighbour && multicast(read.target)) return false;
  if (read.kind == K::NeighbourAdvert && solicited && multicast(h.destination)) return false;
  const bool probe = read.kind == K::NeighbourSolicit && unspecified(h.source);
  if (probe && !solicitedNode(h.destination)) return false;
  bool sawLinkOption = false;
  while (m.left() > 0) {
    const std::uint8_t option = m.u8();
    const std::size_t units = m.u8();
    // Zero-length, cut or overrunning options make hosts drop the whole message.
    if (!m.ok || units == 0) return false;
    FrameReader o = m.take(units * 8 - 2);
    if (!m.ok) return false;
    readNdOption(option, units, o, read, sawLinkOption);
  }
  // An address probe names no link-layer address of its own. The sum last, so that a fuzzer
  // that cannot make it hold still reaches every option.
  return !(probe && sawLinkOption) && checksumHolds(h, kIcmpv6, message, length);
}

bool readDhcp6Message(FrameReader& p, const Ipv6Header& h, platform::HeardIpv6& read) {
  const std::uint8_t* datagram = p.in + p.at;
  const std::uint16_t sourcePort = p.u16();
  const std::uint16_t destinationPort = p.u16();
  const std::uint16_t udpLength = p.u16();
  const std::uint16_t checksum = p.u16();  // IPv6 has no datagram without one
  if (!p.ok || sourcePort != kDhcp6ServerPort || destinationPort != kDhcp6ClientPort ||
      udpLength < 8 || checksum == 0)
    return false;
  FrameReader m = p.take(udpLength - 8u);
  read.kind = platform::HeardIpv6::Dhcp6Server;
  read.dhcpType = m.u8();
  m.skip(3);  // transaction id
  if (!m.ok || (read.dhcpType != kDhcp6Advertise && read.dhcpType != kDhcp6Reply)) return false;
  while (m.left() > 0) {
    const std::uint16_t code = m.u16();
    const std::uint16_t length = m.u16();
    FrameReader o = m.take(length);
    if (!m.ok) return false;
    if (code == kDhcp6DnsServers && length % 16 == 0)
      readAddresses(o, length / 16u, read.dns, read.dnsCount);
  }
  return checksumHolds(h, kUdp, datagram, udpLength);
}

}  // namespace

bool readIpv6Frame(const std::uint8_t* frame, std::size_t length, platform::HeardIpv6& out,
                   bool checkSum) {
  FrameReader r{frame, length};
  platform::HeardIpv6 read{};
  r.skip(6);  // destination
  r.bytes(read.etherSource, 6);
  const std::uint16_t type = etherTypeAfterTags(r, 2, read.tagged, read.vlanId);
  if (type != kEtherTypeIpv6 || r.u8() >> 4 != 6) return false;
  Ipv6Header h;
  h.checkSum = checkSum;
  r.skip(3);  // traffic class, flow label
  const std::uint16_t payloadLength = r.u16();
  std::uint8_t next = r.u8();
  h.hopLimit = r.u8();
  r.bytes(h.source, 16);
  r.bytes(h.destination, 16);
  // What follows the payload is the Ethernet minimum's padding.
  FrameReader payload = r.take(payloadLength);
  // No station sends from a group address; hosts drop such a packet before reading it.
  if (!r.ok || multicast(h.source) || !skipExtensionHeaders(payload, next)) return false;
  std::memcpy(read.source, h.source, 16);
  const bool ok = next == kIcmpv6 ? readNdMessage(payload, h, read)
                                  : next == kUdp && readDhcp6Message(payload, h, read);
  if (!ok) return false;
  out = read;
  return true;
}
