#pragma once
// The IPv4 routing table, the interface address table and route-change notification.
// Windows: GetIpForwardTable, GetIpAddrTable, NotifyRouteChange, DeleteIpForwardEntry,
//   the route command run as a process. Under Wine 8 NotifyRouteChange answers 50 (the
//   thread's last error stays 0), DeleteIpForwardEntry answers 0 without deleting, and
//   there is no route command, so addRoute answers false.
// Linux: rtnetlink (main table), RTNLGRP_IPV4_ROUTE events; errno values on failure.
//   Rows: type 3 on-link, 4 through a gateway, 2 blackhole/unreachable/prohibit; proto is
//   the kernel's protocol number (2 kernel, 3 boot, 4 static, 16 dhcp); metric1 the priority;
//   a multipath route gives a row per hop, nextHopAS holding the number of hops (deleting
//   any of them deletes the route); policy holds the kernel's type (RTN_*) of a route that
//   is not unicast. getIpForwardTable: EINTR/ENOBUFS when every
//   attempt was spoilt, socket errors; getIpAddrTable also EAGAIN when the addresses kept
//   changing while read.
//   notifyRouteChange: the calling thread keeps its event socket, so changes between two
//   calls wake the next one; a burst wakes it once. Socket errors are returned and kept for
//   lastErrorCode (never 997), which ends the watch.
//   deleteIpForwardEntry: ESRCH when no such route, EINVAL for a mask that is not a prefix,
//   EPERM without CAP_NET_ADMIN.
//   addRoute: RTM_NEWROUTE (create, exclusive); true once the request reached the kernel;
//   its refusal fills the failure (errno and its text); values that do not parse are a
//   refused request too. False only when no netlink socket could be had.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"

// The system's route row: 14 fields, addresses in network byte order.
struct RouteRow {
  std::uint32_t dest, mask, policy, nextHop, ifIndex, type, proto, age, nextHopAS;
  std::uint32_t metric1, metric2, metric3, metric4, metric5;
};

// A row of the interface address table; only addr and index are used.
struct IpAddrRow {
  std::uint32_t addr;  // network byte order
  std::uint32_t index;
  std::uint32_t mask;
  std::uint32_t broadcast;
  std::uint32_t reassemblySize;
  std::uint16_t unused;
  std::uint16_t type;
};

// The four values of a route to add, and the command line that Windows runs for them.
struct RouteAddRequest {
  const char* address;
  const char* mask;
  const char* gateway;
  const char* metric;  // may be empty
  const char* commandLine;
};

// A route command that ran and refused: code 0 means it did not fail.
struct RouteCommandFailure {
  std::uint32_t code = 0;
  std::string output;
};

namespace platform {
std::uint32_t getIpForwardTable(std::vector<RouteRow>& rows);  // 0 on success
std::uint32_t getIpAddrTable(std::vector<IpAddrRow>& rows);    // 0 on success
// Blocks until the IPv4 routing table changes; 0 then. Anything else: see the header note.
std::uint32_t notifyRouteChange();
std::uint32_t lastErrorCode();  // the calling thread's last error, after notifyRouteChange
std::uint32_t deleteIpForwardEntry(const RouteRow& row);  // 0 on success
// Starts the addition and waits for it; false when it could not be started at all. When it
// ran and failed, failure (if given) gets its non-zero code and what it said (Windows: the
// route command's exit code and output, in Windows-1251).
bool addRoute(const RouteAddRequest& request, RouteCommandFailure* failure = nullptr);
}  // namespace platform
