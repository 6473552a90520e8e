// The IPv6 neighbour, route and address readers against messages built byte for byte.
#include <gtest/gtest.h>
#include <linux/if_addr.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <functional>

#include "netlink_builder.h"
#include "platform/linux/interface_parse.h"
#include "platform/linux/neighbour_parse.h"
#include "platform/linux/route_parse.h"

namespace {

const std::uint8_t kAddr[16] = {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
const std::uint8_t kGate[16] = {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
const std::uint8_t kLong[20] = {2, 0, 0, 0, 0, 1, 7, 8, 9, 10};

nlmsghdr* neighbour6(MessageBuffer& b, std::uint16_t state, std::uint8_t flags, std::size_t dstLen,
                     std::size_t llLen, std::uint8_t family = AF_INET6) {
  nlmsghdr* nlh = b.header(RTM_NEWNEIGH);
  auto* nd = familyHeader<ndmsg>(nlh);
  *nd = ndmsg{family, 0, 0, 5, state, flags, 0};
  mnl_attr_put(nlh, NDA_DST, dstLen, kAddr);
  if (llLen) mnl_attr_put(nlh, NDA_LLADDR, llLen, kLong);
  return nlh;
}

TEST(Neighbour6Parse, RowsAndRefusals) {
  struct Case {
    const char* what;
    std::function<nlmsghdr*(MessageBuffer&)> build;
    bool ok;
    std::uint32_t macLength = 0, type = 0;
    bool router = false;
  } cases[] = {
      {"router", [](auto& b) { return neighbour6(b, NUD_STALE, NTF_ROUTER, 16, 6); }, true, 6, 3,
       true},
      {"permanent", [](auto& b) { return neighbour6(b, NUD_PERMANENT, 0, 16, 6); }, true, 6, 4},
      {"noarp", [](auto& b) { return neighbour6(b, NUD_NOARP, 0, 16, 6); }, true, 6, 1},
      {"no lladdr", [](auto& b) { return neighbour6(b, NUD_INCOMPLETE, 0, 16, 0); }, true, 0, 3},
      {"short lladdr", [](auto& b) { return neighbour6(b, NUD_STALE, 0, 16, 4); }, true, 4, 3},
      {"long lladdr", [](auto& b) { return neighbour6(b, NUD_STALE, 0, 16, 20); }, true, 8, 3},
      {"4-byte dst", [](auto& b) { return neighbour6(b, NUD_STALE, 0, 4, 6); }, false},
      {"IPv4 family", [](auto& b) { return neighbour6(b, NUD_STALE, 0, 16, 6, AF_INET); }, false},
      {"cut attribute",
       [](auto& b) {
         nlmsghdr* m = neighbour6(b, NUD_STALE, 0, 16, 6);
         m->nlmsg_len -= 4;
         return m;
       },
       false},
  };
  for (const Case& c : cases) {
    MessageBuffer b;
    Neighbour6Row row;
    row.ifIndex = 99;
    ASSERT_EQ(parseNeighbour6(c.build(b), row), c.ok) << c.what;
    if (!c.ok) {
      EXPECT_EQ(row.ifIndex, 99u) << c.what;  // untouched
      continue;
    }
    EXPECT_EQ(row.ifIndex, 5u);
    EXPECT_EQ(0, std::memcmp(row.addr, kAddr, 16)) << c.what;
    EXPECT_EQ(row.macLength, c.macLength) << c.what;
    EXPECT_EQ(0, std::memcmp(row.mac, kLong, c.macLength)) << c.what;
    EXPECT_EQ(row.type, c.type) << c.what;
    EXPECT_EQ(row.router, c.router) << c.what;
  }
  // Each family's reader takes only its own; the change reader tells deletions.
  MessageBuffer b;
  ArpRow arp{};
  EXPECT_FALSE(parseNeighbour(neighbour6(b, NUD_STALE, 0, 16, 6), arp));
  nlmsghdr* m = neighbour6(b, NUD_FAILED, 0, 16, 0);
  m->nlmsg_type = RTM_DELNEIGH;
  Neighbour6Row row;
  bool removed = false;
  EXPECT_FALSE(parseNeighbour6(m, row));
  EXPECT_TRUE(parseNeighbour6Change(m, row, removed) && removed);
}

nlmsghdr* route6(MessageBuffer& b, std::uint8_t prefix, std::uint8_t type = RTN_UNICAST) {
  nlmsghdr* nlh = b.header(RTM_NEWROUTE);
  *familyHeader<rtmsg>(nlh) = rtmsg{AF_INET6, prefix, 0, 0, RT_TABLE_MAIN, RTPROT_RA, 0, type, 0};
  if (prefix) mnl_attr_put(nlh, RTA_DST, 16, kAddr);
  return nlh;
}

void putExpiry(nlmsghdr* nlh, std::int32_t ticks, std::size_t length = sizeof(rta_cacheinfo)) {
  rta_cacheinfo info{};
  info.rta_expires = static_cast<std::uint32_t>(ticks);
  mnl_attr_put(nlh, RTA_CACHEINFO, length, &info);
}

TEST(Route6Parse, RowsHopsLifetimesAndRefusals) {
  MessageBuffer b;
  std::vector<Route6Row> rows;
  nlmsghdr* m = route6(b, 0);  // a router's default route
  mnl_attr_put(m, RTA_GATEWAY, 16, kGate);
  mnl_attr_put_u32(m, RTA_OIF, 3);
  mnl_attr_put_u32(m, RTA_PRIORITY, 1024);
  putExpiry(m, 179950);
  ASSERT_TRUE(parseRoutes6(m, rows, 100));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].prefixLength, 0);
  EXPECT_EQ(0, std::memcmp(rows[0].gateway, kGate, 16));
  EXPECT_EQ(rows[0].ifIndex + rows[0].metric + rows[0].proto, 3u + 1024 + RTPROT_RA);
  EXPECT_EQ(rows[0].lifetime, 1800u);  // rounded up

  for (auto [ticks, length, lifetime] : {std::tuple{0, sizeof(rta_cacheinfo), 0xffffffffu},
                                         {-5, sizeof(rta_cacheinfo), 0u},
                                         {500, std::size_t{8}, 0xffffffffu}}) {
    putExpiry(m = route6(b, 64), ticks, length);
    rows.clear();
    ASSERT_TRUE(parseRoutes6(m, rows, 100));
    EXPECT_EQ(rows.at(0).lifetime, lifetime) << ticks;
    EXPECT_EQ(0, std::memcmp(rows[0].dest, kAddr, 16));
  }

  m = route6(b, 0);  // two hops, the second with an IPv4-sized gateway
  nlattr* nest = mnl_attr_nest_start(m, RTA_MULTIPATH);
  for (int hop = 0; hop < 2; ++hop) {
    auto* nh = static_cast<rtnexthop*>(mnl_nlmsg_get_payload_tail(m));
    m->nlmsg_len += RTNH_ALIGN(sizeof(rtnexthop));
    *nh = rtnexthop{0, 0, 0, 10 + hop};
    mnl_attr_put(m, RTA_GATEWAY, hop ? 4 : 16, kGate);
    nh->rtnh_len = static_cast<unsigned short>(static_cast<char*>(mnl_nlmsg_get_payload_tail(m)) -
                                               reinterpret_cast<char*>(nh));
  }
  mnl_attr_nest_end(m, nest);
  rows.clear();
  ASSERT_TRUE(parseRoutes6(m, rows, 100));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(0, std::memcmp(rows[0].gateway, kGate, 16));
  EXPECT_EQ(rows[1].gateway[0] + rows[0].ifIndex + rows[1].ifIndex, 0u + 10 + 11);

  const std::function<nlmsghdr*()> refused[] = {
      [&] { return route6(b, 0, RTN_UNREACHABLE); },
      [&] { return route6(b, 129); },
      [&] {
        nlmsghdr* r = route6(b, 0);
        mnl_attr_put(r, RTA_DST, 4, kAddr);  // no 16-byte destination for a prefix
        static_cast<rtmsg*>(mnl_nlmsg_get_payload(r))->rtm_dst_len = 64;
        return r;
      },
      [&] {
        nlmsghdr* r = route6(b, 64);
        static_cast<rtmsg*>(mnl_nlmsg_get_payload(r))->rtm_family = AF_INET;
        return r;
      },
      [&] {
        nlmsghdr* r = route6(b, 0);
        mnl_attr_put_u32(r, RTA_TABLE, RT_TABLE_LOCAL);
        return r;
      },
      [&] {
        nlmsghdr* r = route6(b, 64);
        r->nlmsg_len -= 8;  // the destination cut
        return r;
      },
  };
  rows.clear();
  for (const auto& build : refused) EXPECT_FALSE(parseRoutes6(build(), rows));
  EXPECT_TRUE(rows.empty());
}

TEST(Address6Parse, OwnAddressOfAnyScope) {
  MessageBuffer b;
  nlmsghdr* m = b.header(RTM_NEWADDR);
  *familyHeader<ifaddrmsg>(m) = ifaddrmsg{AF_INET6, 64, 0, RT_SCOPE_LINK, 4};
  mnl_attr_put(m, IFA_ADDRESS, 16, kGate);  // the peer of a point-to-point link
  mnl_attr_put(m, IFA_LOCAL, 16, kAddr);
  Address6Row row;
  ASSERT_TRUE(parseAddress6(m, row));
  EXPECT_EQ(row.ifIndex + row.prefixLength, 4u + 64);
  EXPECT_EQ(0, std::memcmp(row.addr, kAddr, 16));
  AddressRecord v4;
  EXPECT_FALSE(parseAddress(m, v4));
}

}  // namespace
