#include "platform/linux/route_parse.h"

#include <libmnl/libmnl.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstring>
#include <utility>

#include "platform/linux/attribute_walk.h"
#include "platform/linux/interface_parse.h"

namespace {

struct Attributes {
  const nlattr* byType[RTA_MAX + 1] = {};
};

int collect(const nlattr* attr, void* data) {
  auto* a = static_cast<Attributes*>(data);
  const std::uint16_t type = mnl_attr_get_type(attr);
  if (type <= RTA_MAX) a->byType[type] = attr;
  return MNL_CB_OK;
}

bool read4(const nlattr* attr, std::uint32_t& out) {
  if (!attr || mnl_attr_validate2(attr, MNL_TYPE_BINARY, 4) != 0) return false;
  std::memcpy(&out, mnl_attr_get_payload(attr), 4);
  return true;
}

// The next hops of RTA_MULTIPATH, each as its gateway and interface; read until the first
// hop that does not fit.
std::vector<std::pair<std::uint32_t, std::uint32_t>> nextHops(const nlattr* multipath) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> hops;
  const auto* bytes = static_cast<const unsigned char*>(mnl_attr_get_payload(multipath));
  const std::size_t length = mnl_attr_get_payload_len(multipath);
  std::size_t start = 0;
  while (start + sizeof(rtnexthop) <= length) {
    rtnexthop hop;
    std::memcpy(&hop, bytes + start, sizeof hop);
    if (hop.rtnh_len < sizeof(rtnexthop) || hop.rtnh_len > length - start) break;
    std::uint32_t gateway = 0;
    // The hop's attributes follow its header, within rtnh_len.
    std::size_t at = RTNH_ALIGN(sizeof(rtnexthop));
    while (at + sizeof(nlattr) <= hop.rtnh_len) {
      nlattr attr;
      std::memcpy(&attr, bytes + start + at, sizeof attr);
      if (attr.nla_len < sizeof(nlattr) || at + attr.nla_len > hop.rtnh_len) break;
      if ((attr.nla_type & NLA_TYPE_MASK) == RTA_GATEWAY && attr.nla_len == sizeof(nlattr) + 4) {
        std::memcpy(&gateway, bytes + start + at + sizeof(nlattr), 4);
        break;
      }
      at += NLA_ALIGN(attr.nla_len);
    }
    hops.emplace_back(gateway, static_cast<std::uint32_t>(hop.rtnh_ifindex));
    start += RTNH_ALIGN(hop.rtnh_len);
  }
  return hops;
}

}  // namespace

bool parseRoutes(const nlmsghdr* message, std::vector<RouteRow>& rows) {
  if (message->nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg))) return false;
  if (message->nlmsg_type != RTM_NEWROUTE) return false;
  const auto* rt = static_cast<const rtmsg*>(mnl_nlmsg_get_payload(message));
  if (rt->rtm_family != AF_INET || rt->rtm_dst_len > 32) return false;
  Attributes a;
  if (!walkAttributes(message, sizeof(rtmsg), collect, &a)) return false;
  std::uint32_t table = rt->rtm_table;
  read4(a.byType[RTA_TABLE], table);
  if (table != RT_TABLE_MAIN) return false;

  RouteRow r{};
  if (rt->rtm_dst_len > 0 && !read4(a.byType[RTA_DST], r.dest)) return false;
  r.mask = prefixMask(rt->rtm_dst_len);
  read4(a.byType[RTA_GATEWAY], r.nextHop);
  read4(a.byType[RTA_OIF], r.ifIndex);
  read4(a.byType[RTA_PRIORITY], r.metric1);
  // Blackhole, unreachable and prohibit have no interface; the table names them instead.
  if (rt->rtm_type != RTN_UNICAST) r.policy = rt->rtm_type;
  r.proto = rt->rtm_protocol;
  const auto typed = [&](RouteRow row) {
    if (rt->rtm_type == RTN_UNICAST)
      row.type = row.nextHop ? kRouteTypeIndirect : kRouteTypeDirect;
    else
      row.type = kRouteTypeInvalid;
    return row;
  };
  std::vector<std::pair<std::uint32_t, std::uint32_t>> hops;
  if (a.byType[RTA_MULTIPATH] && !r.nextHop) hops = nextHops(a.byType[RTA_MULTIPATH]);
  if (hops.empty()) {
    rows.push_back(typed(r));
    return true;
  }
  // A row per hop, as Windows lists an equal-cost route.
  for (const auto& [gateway, ifIndex] : hops) {
    RouteRow hop = r;
    hop.nextHop = gateway;
    hop.ifIndex = ifIndex;
    hop.nextHopAS = static_cast<std::uint32_t>(hops.size());
    rows.push_back(typed(hop));
  }
  return true;
}

bool parseRoute(const nlmsghdr* message, RouteRow& row) {
  std::vector<RouteRow> rows;
  if (!parseRoutes(message, rows)) return false;
  row = rows.front();
  return true;
}
