// The rtnetlink parsers against messages built byte for byte.
#include <gtest/gtest.h>
#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include "netlink_builder.h"
#include "platform/linux/interface_parse.h"
#include "platform/linux/neighbour_parse.h"
#include "platform/linux/route_parse.h"

namespace {

nlmsghdr* neighbour(MessageBuffer& b, std::uint16_t state, std::uint32_t dest, const void* ll,
                    std::size_t llLength, int ifIndex = 7) {
  nlmsghdr* nlh = b.header(RTM_NEWNEIGH);
  auto* nd = familyHeader<ndmsg>(nlh);
  nd->ndm_family = AF_INET;
  nd->ndm_ifindex = ifIndex;
  nd->ndm_state = state;
  mnl_attr_put_u32(nlh, NDA_DST, dest);
  if (ll) mnl_attr_put(nlh, NDA_LLADDR, llLength, ll);
  return nlh;
}

const std::uint8_t kMac[6] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};

TEST(NeighbourParse, FieldsOfStaticAndDynamicRows) {
  MessageBuffer b;
  ArpRow row{};
  ASSERT_TRUE(parseNeighbour(neighbour(b, NUD_PERMANENT, ip(10, 1, 2, 3), kMac, 6), row));
  EXPECT_EQ(row.index, 7u);
  EXPECT_EQ(row.physAddrLen, 6u);
  EXPECT_EQ(0, std::memcmp(row.physAddr, kMac, 6));
  EXPECT_EQ(row.physAddr[6], 0);
  EXPECT_EQ(row.physAddr[7], 0);
  EXPECT_EQ(row.addr, ip(10, 1, 2, 3));
  EXPECT_EQ(row.type, kArpTypeStatic);

  for (std::uint16_t state : {NUD_REACHABLE, NUD_STALE, NUD_DELAY, NUD_PROBE, NUD_FAILED}) {
    ASSERT_TRUE(parseNeighbour(neighbour(b, state, ip(10, 1, 2, 4), kMac, 6), row));
    EXPECT_EQ(row.type, kArpTypeDynamic) << state;
  }
  // Only a permanent binding is static; NOARP ones are the kernel's own and never saved.
  ASSERT_TRUE(parseNeighbour(neighbour(b, NUD_NOARP, ip(224, 0, 0, 1), kMac, 6), row));
  EXPECT_EQ(row.type, kArpTypeOther);
  ASSERT_TRUE(parseNeighbour(neighbour(b, NUD_NOARP, ip(0, 0, 0, 0), nullptr, 0), row));
  EXPECT_EQ(row.type, kArpTypeOther);
  ASSERT_TRUE(
      parseNeighbour(neighbour(b, NUD_PERMANENT | NUD_NOARP, ip(10, 1, 2, 5), kMac, 6), row));
  EXPECT_EQ(row.type, kArpTypeStatic);
}

TEST(NeighbourParse, LinkLayerAddressOfAnyLength) {
  MessageBuffer b;
  ArpRow row{};
  ASSERT_TRUE(parseNeighbour(neighbour(b, NUD_INCOMPLETE, ip(10, 0, 0, 9), nullptr, 0), row));
  EXPECT_EQ(row.physAddrLen, 0u);
  for (std::uint8_t byte : row.physAddr) EXPECT_EQ(byte, 0);

  const std::uint8_t four[4] = {192, 0, 2, 1};  // a tunnel's "MAC" is its IPv4 address
  ASSERT_TRUE(parseNeighbour(neighbour(b, NUD_NOARP, ip(10, 0, 0, 9), four, 4), row));
  EXPECT_EQ(row.physAddrLen, 4u);
  EXPECT_EQ(0, std::memcmp(row.physAddr, four, 4));
  EXPECT_EQ(row.physAddr[4], 0);

  std::uint8_t twenty[20];
  for (int i = 0; i < 20; ++i) twenty[i] = static_cast<std::uint8_t>(i + 1);
  ASSERT_TRUE(parseNeighbour(neighbour(b, NUD_REACHABLE, ip(10, 0, 0, 9), twenty, 20), row));
  EXPECT_EQ(row.physAddrLen, 8u);
  EXPECT_EQ(0, std::memcmp(row.physAddr, twenty, 8));
  EXPECT_EQ(row.addr, ip(10, 0, 0, 9));  // the long address did not run into the next field

  const std::uint8_t odd[3] = {1, 2, 3};
  ASSERT_TRUE(parseNeighbour(neighbour(b, NUD_REACHABLE, ip(10, 0, 0, 9), odd, 3), row));
  EXPECT_EQ(row.physAddrLen, 3u);
}

TEST(NeighbourParse, RejectsWhatIsNotAnIpv4Neighbour) {
  MessageBuffer b;
  ArpRow row{};
  row.index = 99;

  nlmsghdr* nlh = neighbour(b, NUD_REACHABLE, ip(10, 0, 0, 1), kMac, 6);
  static_cast<ndmsg*>(mnl_nlmsg_get_payload(nlh))->ndm_family = AF_INET6;
  EXPECT_FALSE(parseNeighbour(nlh, row));

  nlh = b.header(RTM_NEWNEIGH);  // no destination at all
  familyHeader<ndmsg>(nlh)->ndm_family = AF_INET;
  mnl_attr_put(nlh, NDA_LLADDR, 6, kMac);
  EXPECT_FALSE(parseNeighbour(nlh, row));

  nlh = b.header(RTM_NEWNEIGH);  // a 16-byte destination in an IPv4 message
  familyHeader<ndmsg>(nlh)->ndm_family = AF_INET;
  const std::uint8_t v6[16] = {0xfe, 0x80};
  mnl_attr_put(nlh, NDA_DST, 16, v6);
  EXPECT_FALSE(parseNeighbour(nlh, row));

  nlh = neighbour(b, NUD_REACHABLE, ip(10, 0, 0, 1), kMac, 6);
  nlh->nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg)) - 4;  // cut inside the family header
  EXPECT_FALSE(parseNeighbour(nlh, row));

  nlh = neighbour(b, NUD_REACHABLE, ip(10, 0, 0, 1), kMac, 6);
  nlh->nlmsg_len -= 6;  // the last attribute claims more bytes than the message has
  EXPECT_FALSE(parseNeighbour(nlh, row));

  nlh = neighbour(b, NUD_REACHABLE, ip(10, 0, 0, 1), kMac, 6);
  nlh->nlmsg_type = RTM_DELNEIGH;
  EXPECT_FALSE(parseNeighbour(nlh, row));
  EXPECT_EQ(row.index, 99u);  // untouched by every refusal
}

nlmsghdr* route(MessageBuffer& b, std::uint8_t table, std::uint8_t type, std::uint8_t prefix) {
  nlmsghdr* nlh = b.header(RTM_NEWROUTE);
  auto* rt = familyHeader<rtmsg>(nlh);
  rt->rtm_family = AF_INET;
  rt->rtm_table = table;
  rt->rtm_type = type;
  rt->rtm_dst_len = prefix;
  rt->rtm_protocol = RTPROT_BOOT;
  return nlh;
}

TEST(RouteParse, DirectIndirectAndOtherTables) {
  MessageBuffer b;
  RouteRow row{};
  nlmsghdr* nlh = route(b, RT_TABLE_MAIN, RTN_UNICAST, 0);
  mnl_attr_put_u32(nlh, RTA_GATEWAY, ip(192, 168, 1, 1));
  mnl_attr_put_u32(nlh, RTA_OIF, 3);
  mnl_attr_put_u32(nlh, RTA_PRIORITY, 100);
  ASSERT_TRUE(parseRoute(nlh, row));
  EXPECT_EQ(row.dest, 0u);
  EXPECT_EQ(row.mask, 0u);
  EXPECT_EQ(row.nextHop, ip(192, 168, 1, 1));
  EXPECT_EQ(row.ifIndex, 3u);
  EXPECT_EQ(row.type, 4u);
  EXPECT_EQ(row.proto, static_cast<std::uint32_t>(RTPROT_BOOT));
  EXPECT_EQ(row.metric1, 100u);
  EXPECT_EQ(row.policy + row.age + row.nextHopAS + row.metric2 + row.metric5, 0u);

  nlh = route(b, RT_TABLE_MAIN, RTN_UNICAST, 20);
  mnl_attr_put_u32(nlh, RTA_DST, ip(172, 16, 0, 0));
  mnl_attr_put_u32(nlh, RTA_OIF, 5);
  ASSERT_TRUE(parseRoute(nlh, row));
  EXPECT_EQ(row.dest, ip(172, 16, 0, 0));
  EXPECT_EQ(row.mask, ip(255, 255, 240, 0));
  EXPECT_EQ(row.nextHop, 0u);
  EXPECT_EQ(row.type, 3u);
  EXPECT_EQ(row.metric1, 0u);

  nlh = route(b, RT_TABLE_LOCAL, RTN_LOCAL, 32);
  mnl_attr_put_u32(nlh, RTA_DST, ip(10, 0, 0, 1));
  EXPECT_FALSE(parseRoute(nlh, row));
  // A table number above 255 travels in RTA_TABLE and wins over the header's.
  nlh = route(b, RT_TABLE_MAIN, RTN_UNICAST, 0);
  mnl_attr_put_u32(nlh, RTA_TABLE, 1000);
  EXPECT_FALSE(parseRoute(nlh, row));
  nlh = route(b, RT_TABLE_UNSPEC, RTN_UNICAST, 0);
  mnl_attr_put_u32(nlh, RTA_TABLE, RT_TABLE_MAIN);
  EXPECT_TRUE(parseRoute(nlh, row));

  nlh = route(b, RT_TABLE_MAIN, RTN_BLACKHOLE, 8);
  mnl_attr_put_u32(nlh, RTA_DST, ip(10, 0, 0, 0));
  ASSERT_TRUE(parseRoute(nlh, row));
  EXPECT_EQ(row.type, 2u);
  EXPECT_EQ(row.policy, static_cast<std::uint32_t>(RTN_BLACKHOLE));  // the table names it

  nlh = route(b, RT_TABLE_MAIN, RTN_UNICAST, 24);  // a prefix without its destination
  EXPECT_FALSE(parseRoute(nlh, row));
}

TEST(RouteParse, FirstHopOfAMultipathRoute) {
  MessageBuffer b;
  nlmsghdr* nlh = route(b, RT_TABLE_MAIN, RTN_UNICAST, 0);
  nlattr* nest = mnl_attr_nest_start(nlh, RTA_MULTIPATH);
  for (int hop = 0; hop < 2; ++hop) {
    auto* nh = static_cast<rtnexthop*>(mnl_nlmsg_get_payload_tail(nlh));
    nlh->nlmsg_len += RTNH_ALIGN(sizeof(rtnexthop));
    std::memset(nh, 0, sizeof *nh);
    nh->rtnh_ifindex = 10 + hop;
    mnl_attr_put_u32(nlh, RTA_GATEWAY, ip(10, 9, 0, static_cast<std::uint8_t>(1 + hop)));
    nh->rtnh_len = static_cast<unsigned short>(
        reinterpret_cast<char*>(mnl_nlmsg_get_payload_tail(nlh)) - reinterpret_cast<char*>(nh));
  }
  mnl_attr_nest_end(nlh, nest);
  RouteRow row{};
  ASSERT_TRUE(parseRoute(nlh, row));
  EXPECT_EQ(row.nextHop, ip(10, 9, 0, 1));
  EXPECT_EQ(row.ifIndex, 10u);
  EXPECT_EQ(row.type, 4u);
  // Every hop is a row, so a route can be named by any of its gateways.
  std::vector<RouteRow> rows;
  ASSERT_TRUE(parseRoutes(nlh, rows));
  ASSERT_EQ(rows.size(), 2u);
  for (std::uint32_t k = 0; k < 2; ++k) {
    EXPECT_EQ(rows[k].nextHop, ip(10, 9, 0, static_cast<std::uint8_t>(1 + k)));
    EXPECT_EQ(rows[k].ifIndex, 10 + k);
    EXPECT_EQ(rows[k].nextHopAS, 2u);
  }
  // A hop longer than the rest of the attribute ends the list.
  auto* first = static_cast<rtnexthop*>(mnl_attr_get_payload(nest));
  first[0].rtnh_len = 0xFFF0;
  rows.clear();
  EXPECT_TRUE(parseRoutes(nlh, rows));
  EXPECT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].nextHop, 0u);
}

TEST(InterfaceParse, LinksAndAddresses) {
  MessageBuffer b;
  nlmsghdr* nlh = b.header(RTM_NEWLINK);
  auto* ifi = familyHeader<ifinfomsg>(nlh);
  ifi->ifi_index = 4;
  ifi->ifi_flags = IFF_UP;
  mnl_attr_put_strz(nlh, IFLA_IFNAME, "veth0");
  mnl_attr_put(nlh, IFLA_ADDRESS, 6, kMac);
  LinkRecord link;
  ASSERT_TRUE(parseLink(nlh, link));
  EXPECT_EQ(link.index, 4u);
  EXPECT_EQ(link.name, "veth0");
  EXPECT_FALSE(link.loopback);
  EXPECT_EQ(link.macLength, 6u);
  EXPECT_EQ(0, std::memcmp(link.mac, kMac, 6));

  nlh = b.header(RTM_NEWLINK);  // a name without its terminating zero is refused
  familyHeader<ifinfomsg>(nlh)->ifi_flags = IFF_LOOPBACK;
  mnl_attr_put(nlh, IFLA_IFNAME, 2, "lo");
  EXPECT_FALSE(parseLink(nlh, link));

  nlh = b.header(RTM_NEWADDR);
  auto* ifa = familyHeader<ifaddrmsg>(nlh);
  ifa->ifa_family = AF_INET;
  ifa->ifa_prefixlen = 30;
  ifa->ifa_index = 6;
  mnl_attr_put_u32(nlh, IFA_ADDRESS, ip(10, 0, 0, 2));  // the peer of a point-to-point link
  mnl_attr_put_u32(nlh, IFA_LOCAL, ip(10, 0, 0, 1));
  AddressRecord a;
  ASSERT_TRUE(parseAddress(nlh, a));
  EXPECT_EQ(a.address, ip(10, 0, 0, 1));
  EXPECT_EQ(a.index, 6u);
  EXPECT_EQ(prefixMask(a.prefixLength), ip(255, 255, 255, 252));

  ifa->ifa_prefixlen = 33;
  EXPECT_FALSE(parseAddress(nlh, a));
}

TEST(InterfaceParse, MasksAndPrefixes) {
  EXPECT_EQ(prefixMask(0), 0u);
  EXPECT_EQ(prefixMask(32), 0xFFFFFFFFu);
  EXPECT_EQ(prefixMask(8), ip(255, 0, 0, 0));
  EXPECT_EQ(maskPrefix(ip(255, 255, 255, 0)), 24);
  EXPECT_EQ(maskPrefix(0), 0);
  EXPECT_EQ(maskPrefix(0xFFFFFFFFu), 32);
  EXPECT_EQ(maskPrefix(ip(255, 0, 255, 0)), -1);
  EXPECT_EQ(maskPrefix(ip(0, 0, 0, 255)), -1);
}

}  // namespace
