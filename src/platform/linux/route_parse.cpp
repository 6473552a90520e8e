#include "platform/linux/route_parse.h"

#include <libmnl/libmnl.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstring>

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

bool read4(const nlattr* attr, std::uint32_t& out) { return readFixed(attr, &out, 4); }

struct Hop {
  std::uint8_t gateway[16] = {};  // all zero: none
  std::uint32_t ifIndex = 0;
};

// The next hops of RTA_MULTIPATH, each as its gateway (of gatewayLength bytes) and interface;
// read until the first hop that does not fit.
std::vector<Hop> nextHops(const nlattr* multipath, std::size_t gatewayLength) {
  std::vector<Hop> hops;
  const auto* bytes = static_cast<const unsigned char*>(mnl_attr_get_payload(multipath));
  const std::size_t length = mnl_attr_get_payload_len(multipath);
  std::size_t start = 0;
  while (start + sizeof(rtnexthop) <= length) {
    rtnexthop header;
    std::memcpy(&header, bytes + start, sizeof header);
    if (header.rtnh_len < sizeof(rtnexthop) || header.rtnh_len > length - start) break;
    Hop hop;
    // The hop's attributes follow its header, within rtnh_len.
    std::size_t at = RTNH_ALIGN(sizeof(rtnexthop));
    while (at + sizeof(nlattr) <= header.rtnh_len) {
      nlattr attr;
      std::memcpy(&attr, bytes + start + at, sizeof attr);
      if (attr.nla_len < sizeof(nlattr) || at + attr.nla_len > header.rtnh_len) break;
      if ((attr.nla_type & NLA_TYPE_MASK) == RTA_GATEWAY &&
          attr.nla_len == sizeof(nlattr) + gatewayLength) {
        std::memcpy(hop.gateway, bytes + start + at + sizeof(nlattr), gatewayLength);
        break;
      }
      at += NLA_ALIGN(attr.nla_len);
    }
    hop.ifIndex = static_cast<std::uint32_t>(header.rtnh_ifindex);
    hops.push_back(hop);
    start += RTNH_ALIGN(header.rtnh_len);
  }
  return hops;
}

// The family header of a well-formed route of family in the main table, its attributes in a;
// null otherwise.
const rtmsg* mainTableRoute(const nlmsghdr* message, unsigned char family, Attributes& a) {
  if (message->nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg))) return nullptr;
  if (message->nlmsg_type != RTM_NEWROUTE) return nullptr;
  const auto* rt = static_cast<const rtmsg*>(mnl_nlmsg_get_payload(message));
  if (rt->rtm_family != family || rt->rtm_dst_len > (family == AF_INET ? 32 : 128)) return nullptr;
  if (!walkAttributes(message, sizeof(rtmsg), collect, &a)) return nullptr;
  std::uint32_t table = rt->rtm_table;
  read4(a.byType[RTA_TABLE], table);
  return table == RT_TABLE_MAIN ? rt : nullptr;
}

bool allZero(const std::uint8_t* bytes, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    if (bytes[i]) return false;
  return true;
}

std::uint32_t lifetimeOf(const nlattr* cacheinfo, long ticksPerSecond) {
  rta_cacheinfo info;
  if (!cacheinfo || mnl_attr_get_payload_len(cacheinfo) < sizeof info || ticksPerSecond <= 0)
    return 0xffffffff;
  std::memcpy(&info, mnl_attr_get_payload(cacheinfo), sizeof info);
  // The kernel writes a route already past its time as a negative count.
  const auto ticks = static_cast<std::int32_t>(info.rta_expires);
  if (ticks == 0) return 0xffffffff;
  if (ticks < 0) return 0;
  return static_cast<std::uint32_t>((ticks + ticksPerSecond - 1) / ticksPerSecond);
}

}  // namespace

bool parseRoutes(const nlmsghdr* message, std::vector<RouteRow>& rows) {
  Attributes a;
  const rtmsg* rt = mainTableRoute(message, AF_INET, a);
  if (!rt) return false;

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
  std::vector<Hop> hops;
  if (a.byType[RTA_MULTIPATH] && !r.nextHop) hops = nextHops(a.byType[RTA_MULTIPATH], 4);
  if (hops.empty()) {
    rows.push_back(typed(r));
    return true;
  }
  // A row per hop, as Windows lists an equal-cost route.
  for (const Hop& h : hops) {
    RouteRow hop = r;
    std::memcpy(&hop.nextHop, h.gateway, 4);
    hop.ifIndex = h.ifIndex;
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

bool parseRoutes6(const nlmsghdr* message, std::vector<Route6Row>& rows, long ticksPerSecond) {
  Attributes a;
  const rtmsg* rt = mainTableRoute(message, AF_INET6, a);
  if (!rt || rt->rtm_type != RTN_UNICAST || (rt->rtm_flags & RTM_F_CLONED)) return false;
  Route6Row r;
  r.prefixLength = rt->rtm_dst_len;
  if (r.prefixLength > 0 && !readFixed(a.byType[RTA_DST], r.dest, sizeof r.dest)) return false;
  readFixed(a.byType[RTA_GATEWAY], r.gateway, sizeof r.gateway);
  read4(a.byType[RTA_OIF], r.ifIndex);
  read4(a.byType[RTA_PRIORITY], r.metric);
  r.proto = rt->rtm_protocol;
  r.lifetime = lifetimeOf(a.byType[RTA_CACHEINFO], ticksPerSecond);
  std::vector<Hop> hops;
  if (a.byType[RTA_MULTIPATH] && allZero(r.gateway, sizeof r.gateway))
    hops = nextHops(a.byType[RTA_MULTIPATH], sizeof r.gateway);
  if (hops.empty()) {
    rows.push_back(r);
    return true;
  }
  for (const Hop& h : hops) {
    Route6Row hop = r;
    std::memcpy(hop.gateway, h.gateway, sizeof hop.gateway);
    hop.ifIndex = h.ifIndex;
    rows.push_back(hop);
  }
  return true;
}
