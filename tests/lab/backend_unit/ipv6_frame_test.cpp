// IPv6 discovery and DHCPv6 frames built byte by byte: what the reader takes and refuses, and
// what the listeners' filter lets through (run by the kernel on a socket pair).
#include "platform/linux/ipv6_frame.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/linux/listen_filter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes repeat(int n, const Bytes& b) { return n == 0 ? Bytes{} : b + repeat(n - 1, b); }
Bytes u16(unsigned v) { return {std::uint8_t(v >> 8), std::uint8_t(v)}; }
Bytes address(std::uint8_t a, std::uint8_t b, Bytes tail) {
  return Bytes{a, b} + Bytes(14 - tail.size()) + tail;
}
const Bytes kRouter = address(0xfe, 0x80, {1}), kHost = address(0xfe, 0x80, {2});
const Bytes kAllNodes = address(0xff, 2, {1}), kNone = Bytes(16);
const Bytes kSolicited = address(0xff, 2, {1, 0xff, 0, 0, 2});
const Bytes kMac = {2, 0, 0, 0, 0, 9};

// Ethernet with tags (VIDs) and the IPv6 header; payload length true unless given.
Bytes ipv6(const Bytes& payload, std::uint8_t next = 58, std::uint8_t hops = 255,
           const Bytes& from = kHost, const Bytes& to = kAllNodes, int length = -1,
           std::vector<unsigned> tags = {}) {
  Bytes frame = Bytes{0x33, 0x33, 0, 0, 0, 1} + kMac;
  for (unsigned vid : tags) frame = frame + u16(0x8100) + u16(vid);
  return frame + u16(0x86dd) + Bytes{0x60, 0, 0, 0} +
         u16(length < 0 ? payload.size() : unsigned(length)) + Bytes{next, hops} + from + to +
         payload;
}
Bytes ns(const Bytes& options = {}) { return Bytes{135, 0, 0, 0, 0, 0, 0, 0} + kHost + options; }
Bytes na(const Bytes& target, const Bytes& options) {
  return Bytes{136, 0, 0, 0, 0xa0, 0, 0, 0} + target + options;
}
Bytes ra(const Bytes& options) {
  return Bytes{134, 0, 0, 0, 64, 0} + u16(1800) + Bytes(8) + options;
}
Bytes link(std::uint8_t type) { return Bytes{type, 1} + kMac; }
Bytes prefix(std::uint8_t length) {
  return Bytes{3, 4, length, 0xc0} + Bytes{0, 0, 1, 0} + Bytes(8) + address(0x20, 1, {});
}
Bytes rdnss(std::uint8_t units, int servers) {
  return Bytes{25, units, 0, 0, 0, 0, 1, 0} + repeat(servers, kRouter);
}
Bytes dhcp(const Bytes& options, unsigned from = 547) {
  const Bytes message = Bytes{7, 1, 2, 3} + u16(1) + u16(4) + Bytes(4) + options;
  return u16(from) + u16(546) + u16(message.size() + 8) + u16(0) + message;
}
Bytes dns(unsigned length, const Bytes& servers) { return u16(23) + u16(length) + servers; }
Bytes options(std::uint8_t next, const Bytes& rest) {
  return Bytes{next, 0, 1, 4, 0, 0, 0, 0} + rest;
}

bool filterPasses(const Bytes& frame) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_DGRAM, 0, pair) != 0) return false;
  std::vector<sock_filter> code = listenFilter(true);
  sock_fprog program{static_cast<unsigned short>(code.size()), code.data()};
  std::uint8_t got[2048];
  const bool passed =
      setsockopt(pair[1], SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0 &&
      send(pair[0], frame.data(), frame.size(), 0) >= 0 &&
      recv(pair[1], got, sizeof got, MSG_DONTWAIT) == ssize_t(frame.size());
  close(pair[0]);
  close(pair[1]);
  return passed;
}

TEST(Ipv6Frame, HostileAndValidFrames) {
  using K = platform::HeardIpv6;
  const Bytes whole = ipv6(ns());
  struct Case {
    const char* what;
    Bytes frame;
    int kind;  // -1: refused
    bool passes;
    int shape;  // link address, prefixes, DNS servers and VLAN: a digit each
  } cases[] = {
      {"NA with TLLA", ipv6(na(kHost, link(2) + link(1))), K::NeighbourAdvert, true, 1000},
      {"NS from ::", ipv6(ns(), 58, 255, kNone, kSolicited), K::NeighbourSolicit, true, 0},
      {"NS from :: with SLLA", ipv6(ns(link(1)), 58, 255, kNone, kSolicited), -1, true, 0},
      {"RA", ipv6(ra(prefix(64) + link(1) + rdnss(5, 2) + prefix(48))), K::RouterAdvert, true,
       1220},
      {"RA prefix /129, RDNSS even", ipv6(ra(prefix(129) + rdnss(4, 1) + Bytes(8))),
       K::RouterAdvert, true, 0},
      {"RA from off the link", ipv6(ra({}), 58, 255, address(0x20, 1, {1})), -1, true, 0},
      {"DHCPv6 reply", ipv6(dhcp(dns(32, kRouter + kHost)), 17), K::Dhcp6Server, true, 20},
      {"DNS option of 17", ipv6(dhcp(dns(17, kRouter + Bytes{1})), 17), K::Dhcp6Server, true, 0},
      {"DHCPv6 option past end", ipv6(dhcp(dns(48, kRouter + kHost)), 17), -1, true, 0},
      {"DHCPv6 from 548", ipv6(dhcp({}, 548), 17), -1, false, 0},
      {"hop limit 254", ipv6(na(kHost, {}), 58, 254), -1, true, 0},
      {"zero-length option", ipv6(ra(Bytes{1, 0} + kMac)), -1, true, 0},
      {"option past end", ipv6(ra(rdnss(5, 1))), -1, true, 0},
      {"option cut", ipv6(ns(Bytes{1})), -1, true, 0},
      {"header cut", Bytes(whole.begin(), whole.begin() + 44), -1, false, 0},
      {"payload length past held", ipv6(ns(), 58, 255, kHost, kAllNodes, 33), -1, true, 0},
      {"NA for a group", ipv6(na(kAllNodes, {})), -1, true, 0},
      {"echo request", ipv6(Bytes{128, 0, 0, 0, 0, 0, 0, 1}), -1, false, 0},
      {"tagged", ipv6(ns(), 58, 255, kHost, kAllNodes, -1, {0x2005}), K::NeighbourSolicit, true, 5},
      // The kernel took the outer one of two tags out before the filter ran.
      {"two tags", ipv6(ns(), 58, 255, kHost, kAllNodes, -1, {0, 7}), K::NeighbourSolicit, false,
       7},
      {"hop-by-hop, options", ipv6(options(60, options(17, dhcp({}))), 0), K::Dhcp6Server, true, 0},
      {"destination options", ipv6(options(58, na(kHost, {})), 60), K::NeighbourAdvert, true, 0},
      {"17 option headers", ipv6(repeat(17, options(60, {})) + ns(), 60), -1, true, 0},
      {"hop-by-hop second", ipv6(options(0, options(58, ns())), 60), -1, false, 0},
  };
  for (const Case& c : cases) {
    K heard{};
    const bool read = readIpv6Frame(c.frame.data(), c.frame.size(), heard);
    EXPECT_EQ(read ? int(heard.kind) : -1, c.kind) << c.what;
    EXPECT_EQ(filterPasses(c.frame), c.passes) << c.what;
    if (!read) continue;
    const int link = heard.hasLinkAddress && std::memcmp(heard.linkAddress, kMac.data(), 6) == 0;
    EXPECT_EQ(link * 1000 + heard.prefixCount * 100 + heard.dnsCount * 10 + heard.vlanId, c.shape)
        << c.what;
    EXPECT_EQ(heard.dnsCount ? heard.dns[0][15] : 1, 1) << c.what;
    EXPECT_EQ(heard.prefixCount ? heard.prefixes[0].length + heard.prefixes[1].length : 112, 112);
    // Every cut of a frame read whole is refused: nothing is read past the bytes held.
    for (std::size_t cut = 0; cut < c.frame.size(); ++cut)
      EXPECT_FALSE(readIpv6Frame(c.frame.data(), cut, heard)) << c.what << cut;
  }
  EXPECT_EQ(listenFilter(false).size(), 7u);  // ARP alone: the program as it always was
}

}  // namespace
