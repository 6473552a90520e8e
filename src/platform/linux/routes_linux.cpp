// The IPv4 main routing table over rtnetlink, and the change events of both families.
#include <arpa/inet.h>
#include <libmnl/libmnl.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/linux/errno_result.h"
#include "platform/linux/interface_parse.h"
#include "platform/linux/netlink.h"
#include "platform/linux/route_parse.h"
#include "platform/neighbour6_platform.h"
#include "platform/route_platform.h"

namespace {

thread_local std::uint32_t lastError = 0;

// An event socket lives as long as its thread, so changes between two waits are queued in
// it rather than missed.
struct EventSocket {
  mnl_socket* socket = nullptr;
  ~EventSocket() {
    if (socket) mnl_socket_close(socket);
  }
};
thread_local EventSocket routeEvents;
thread_local EventSocket route6Events;

std::uint32_t openEvents(EventSocket& events, int group) {
  if (events.socket) return 0;
  mnl_socket* s = mnl_socket_open(NETLINK_ROUTE);
  if (!s) return errno ? errno : EIO;
  if (mnl_socket_bind(s, 0, MNL_SOCKET_AUTOPID) < 0 ||
      mnl_socket_setsockopt(s, NETLINK_ADD_MEMBERSHIP, &group, sizeof group) < 0) {
    std::uint32_t error = errno ? errno : EIO;
    mnl_socket_close(s);
    return error;
  }
  events.socket = s;
  return 0;
}

// Blocks until the group announces a change: 0, or the failure as a platform result.
std::uint32_t waitForChange(EventSocket& events, int group) {
  if (std::uint32_t error = openEvents(events, group)) return errnoResult(error);
  const int fd = mnl_socket_get_fd(events.socket);
  char buffer[MNL_SOCKET_BUFFER_SIZE];
  for (;;) {
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    // ENOBUFS: events were dropped, so the table did change.
    if (n > 0 || (n < 0 && errno == ENOBUFS)) break;
    if (n < 0 && errno == EINTR) continue;
    return errnoResult(n < 0 ? errno : EIO);
  }
  // A burst of changes wakes the caller once; later ones stay queued for the next wait.
  while (recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0 || errno == ENOBUFS) {
  }
  return kOk;
}

bool parseDotted(const char* text, std::uint32_t& networkOrder) {
  in_addr a{};
  if (!text || inet_pton(AF_INET, text, &a) != 1) return false;
  networkOrder = a.s_addr;
  return true;
}

bool parseMetric(const char* text, std::uint32_t& metric) {
  char* end = nullptr;
  errno = 0;
  unsigned long v = std::strtoul(text, &end, 10);
  if (errno || end == text || *end || v > 0xFFFFFFFFul) return false;
  metric = static_cast<std::uint32_t>(v);
  return true;
}

}  // namespace

namespace platform {

std::uint32_t getIpForwardTable(std::vector<RouteRow>& rows) {
  std::vector<RouteRow> read;
  rtmsg header{};
  header.rtm_family = AF_INET;
  // The kernel resumes a route dump by key, so changes meanwhile neither skip nor repeat
  // rows; listening for them would only make a busy router's table unreadable.
  std::uint32_t error = netlink::dump(
      RTM_GETROUTE, &header, sizeof header, 0, [&](const nlmsghdr* m) { parseRoutes(m, read); },
      [&] { read.clear(); });
  if (error) return error;
  rows = std::move(read);
  return kOk;
}

std::uint32_t notifyRouteChange() {
  lastError = waitForChange(routeEvents, RTNLGRP_IPV4_ROUTE);
  return lastError;
}

std::uint32_t notifyRoute6Change() { return waitForChange(route6Events, RTNLGRP_IPV6_ROUTE); }

std::uint32_t lastErrorCode() { return lastError; }

std::uint32_t deleteIpForwardEntry(const RouteRow& row) {
  const int prefix = maskPrefix(row.mask);
  if (prefix < 0) return EINVAL;
  char buffer[netlink::kRequestBytes];
  nlmsghdr* nlh = mnl_nlmsg_put_header(buffer);
  nlh->nlmsg_type = RTM_DELROUTE;
  auto* rt = static_cast<rtmsg*>(mnl_nlmsg_put_extra_header(nlh, sizeof(rtmsg)));
  rt->rtm_family = AF_INET;
  rt->rtm_dst_len = static_cast<unsigned char>(prefix);
  rt->rtm_table = RT_TABLE_MAIN;
  rt->rtm_scope = RT_SCOPE_NOWHERE;  // any scope
  if (prefix > 0) mnl_attr_put_u32(nlh, RTA_DST, row.dest);
  // The kernel compares a gateway with the first hop only: a hop of a multipath route is
  // named by the route, which goes as a whole.
  if (row.nextHopAS < 2) {
    if (row.nextHop) mnl_attr_put_u32(nlh, RTA_GATEWAY, row.nextHop);
    if (row.ifIndex) mnl_attr_put_u32(nlh, RTA_OIF, row.ifIndex);
  }
  mnl_attr_put_u32(nlh, RTA_PRIORITY, row.metric1);
  return netlink::request(nlh);
}

bool addRoute(const RouteAddRequest& request, RouteCommandFailure* failure) {
  std::uint32_t dest = 0, mask = 0, gateway = 0, metric = 0;
  const bool hasMetric = request.metric && request.metric[0];
  int prefix = -1;
  // Values the system would refuse count as a request made and refused, as when the
  // Windows route command rejects its arguments.
  if (!parseDotted(request.address, dest) || !parseDotted(request.mask, mask) ||
      !parseDotted(request.gateway, gateway) || (prefix = maskPrefix(mask)) < 0 ||
      (hasMetric && !parseMetric(request.metric, metric)))
    return true;
  char buffer[netlink::kRequestBytes];
  nlmsghdr* nlh = mnl_nlmsg_put_header(buffer);
  nlh->nlmsg_type = RTM_NEWROUTE;
  nlh->nlmsg_flags = NLM_F_CREATE | NLM_F_EXCL;
  auto* rt = static_cast<rtmsg*>(mnl_nlmsg_put_extra_header(nlh, sizeof(rtmsg)));
  rt->rtm_family = AF_INET;
  rt->rtm_dst_len = static_cast<unsigned char>(prefix);
  rt->rtm_table = RT_TABLE_MAIN;
  rt->rtm_protocol = RTPROT_BOOT;
  rt->rtm_scope = RT_SCOPE_UNIVERSE;
  rt->rtm_type = RTN_UNICAST;
  // Host bits under the mask are the kernel's to refuse, as route.exe refuses them.
  if (prefix > 0) mnl_attr_put_u32(nlh, RTA_DST, dest);
  mnl_attr_put_u32(nlh, RTA_GATEWAY, gateway);
  if (hasMetric) mnl_attr_put_u32(nlh, RTA_PRIORITY, metric);
  // Only a request that never reached the kernel could not start; its refusal is told.
  bool sent = false;
  const std::uint32_t answer = netlink::request(nlh, &sent);
  if (sent && answer != 0 && failure)
    *failure = RouteCommandFailure{answer, std::strerror(static_cast<int>(answer))};
  return sent;
}

}  // namespace platform
