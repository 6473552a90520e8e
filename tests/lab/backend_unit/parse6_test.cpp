// The IPv6 neighbour and route readers against messages built byte for byte.
#include <gtest/gtest.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <algorithm>
#include <tuple>

#include "netlink_builder.h"
#include "platform/linux/neighbour_parse.h"
#include "platform/linux/route_parse.h"

namespace {

const std::uint8_t kAddr[16] = {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
const std::uint8_t kLong[20] = {2, 0, 0, 0, 0, 1, 7, 8, 9, 10};

TEST(Neighbour6Parse, RowsAndRefusals) {
  // State, flags, family, destination and link-layer lengths, bytes cut off the end; the
  // row's type, 0 for a refusal.
  const int cases[][7] = {
      {NUD_STALE, NTF_ROUTER, AF_INET6, 16, 6, 0, 3}, {NUD_PERMANENT, 0, AF_INET6, 16, 6, 0, 4},
      {NUD_NOARP, 0, AF_INET6, 16, 6, 0, 1},          {NUD_INCOMPLETE, 0, AF_INET6, 16, 0, 0, 3},
      {NUD_STALE, 0, AF_INET6, 16, 4, 0, 3},          {NUD_STALE, 0, AF_INET6, 16, 20, 0, 3},
      {NUD_STALE, 0, AF_INET6, 4, 6, 0, 0},           {NUD_STALE, 0, AF_INET, 16, 6, 0, 0},
      {NUD_STALE, 0, AF_INET6, 16, 6, 4, 0}};
  for (const auto& c : cases) {
    MessageBuffer b;
    nlmsghdr* m = b.header(RTM_NEWNEIGH);
    *familyHeader<ndmsg>(m) =
        ndmsg{std::uint8_t(c[2]), 0, 0, 5, std::uint16_t(c[0]), std::uint8_t(c[1]), 0};
    mnl_attr_put(m, NDA_DST, c[3], kAddr);
    if (c[4]) mnl_attr_put(m, NDA_LLADDR, c[4], kLong);
    m->nlmsg_len -= c[5];  // the last attribute runs past the message
    Neighbour6Row row;
    row.ifIndex = 99;  // a refusal leaves it
    ASSERT_EQ(parseNeighbour6(m, row), c[6] != 0) << c[0] << " " << c[4];
    const auto macLength = static_cast<std::uint32_t>(c[6] ? std::min(c[4], 8) : 0);
    EXPECT_EQ(std::tuple(row.ifIndex, row.type, row.router, row.macLength),
              std::tuple(c[6] ? 5u : 99u, std::uint32_t(c[6]), c[1] == NTF_ROUTER, macLength))
        << c[0] << " " << c[4];
    if (!c[6]) continue;
    EXPECT_EQ(std::memcmp(row.mac, kLong, macLength) + std::memcmp(row.addr, kAddr, 16), 0);
    ArpRow arp{};
    bool removed = false;
    EXPECT_FALSE(parseNeighbour(m, arp));  // each family's reader takes only its own
    m->nlmsg_type = RTM_DELNEIGH;
    EXPECT_TRUE(parseNeighbour6Change(m, row, removed) && removed);
  }
}

nlmsghdr* route6(MessageBuffer& b, std::uint8_t prefix, std::uint8_t dstLength = 16,
                 std::uint8_t type = RTN_UNICAST, std::uint8_t family = AF_INET6) {
  nlmsghdr* m = b.header(RTM_NEWROUTE);
  *familyHeader<rtmsg>(m) = rtmsg{family, prefix, 0, 0, RT_TABLE_MAIN, RTPROT_RA, 0, type, 0};
  if (dstLength) mnl_attr_put(m, RTA_DST, dstLength, kAddr);
  return m;
}

TEST(Route6Parse, LifetimesHopsAndRefusals) {
  MessageBuffer b;
  std::vector<Route6Row> rows;
  // Expiry in clock ticks: rounded up, past (negative), and an attribute cut short.
  for (auto [ticks, length, lifetime] : {std::tuple{179950, sizeof(rta_cacheinfo), 1800u},
                                         {-5, sizeof(rta_cacheinfo), 0u},
                                         {500, std::size_t{8}, 0xffffffffu}}) {
    nlmsghdr* m = route6(b, 64);
    const rta_cacheinfo info{0, 0, ticks, 0, 0, 0, 0, 0};
    mnl_attr_put(m, RTA_CACHEINFO, length, &info);
    rows.clear();
    ASSERT_TRUE(parseRoutes6(m, rows, 100));
    EXPECT_EQ(rows.at(0).lifetime, lifetime) << ticks;
    EXPECT_EQ(std::memcmp(rows[0].dest, kAddr, 16), 0);
  }

  nlmsghdr* m = route6(b, 0, 0);  // two hops, the second's gateway of IPv4 size
  nlattr* nest = mnl_attr_nest_start(m, RTA_MULTIPATH);
  for (int hop = 0; hop < 2; ++hop) {
    auto* nh = static_cast<rtnexthop*>(mnl_nlmsg_get_payload_tail(m));
    m->nlmsg_len += RTNH_ALIGN(sizeof(rtnexthop));
    *nh = rtnexthop{0, 0, 0, 10 + hop};
    mnl_attr_put(m, RTA_GATEWAY, hop ? 4 : 16, kLong);
    nh->rtnh_len = static_cast<unsigned short>(static_cast<char*>(mnl_nlmsg_get_payload_tail(m)) -
                                               reinterpret_cast<char*>(nh));
  }
  mnl_attr_nest_end(m, nest);
  rows.clear();
  ASSERT_TRUE(parseRoutes6(m, rows, 100));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(std::memcmp(rows[0].gateway, kLong, 16), 0);
  EXPECT_EQ(std::tuple(int{rows[1].gateway[0]}, rows[0].ifIndex, rows[1].ifIndex),
            std::tuple(0, 10u, 11u));

  rows.clear();
  EXPECT_FALSE(parseRoutes6(route6(b, 0, 0, RTN_UNREACHABLE), rows));
  EXPECT_FALSE(parseRoutes6(route6(b, 129), rows));
  EXPECT_FALSE(parseRoutes6(route6(b, 64, 4), rows));  // an IPv4-sized destination
  EXPECT_FALSE(parseRoutes6(route6(b, 0, 16, RTN_UNICAST, AF_INET), rows));
  mnl_attr_put_u32(m = route6(b, 0, 0), RTA_TABLE, RT_TABLE_LOCAL);
  EXPECT_FALSE(parseRoutes6(m, rows));
  (m = route6(b, 64))->nlmsg_len -= 8;  // the destination cut
  EXPECT_FALSE(parseRoutes6(m, rows));
  EXPECT_TRUE(rows.empty());
}

}  // namespace
