// The IPv6 side of the system's tables over rtnetlink: neighbours, main-table routes and our
// own addresses. The kernel keeps no DNS servers.
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/errno_result.h"
#include "platform/linux/interface_tables.h"
#include "platform/linux/neighbour_table.h"
#include "platform/linux/netlink.h"
#include "platform/linux/route_parse.h"
#include "platform/neighbour6_platform.h"

namespace platform {

std::uint32_t getNeighbours6(std::vector<Neighbour6Row>& rows) {
  std::vector<NeighbourRecord> records;
  if (std::uint32_t error = readNeighbourTable(AF_INET6, records)) return errnoResult(error);
  rows.clear();
  rows.reserve(records.size());
  for (const NeighbourRecord& r : records) rows.push_back(neighbour6RowOf(r));
  return kOk;
}

std::uint32_t setNeighbour6(const Neighbour6Row& row) {
  // Only an Ethernet address is written back; the kernel would take a shorter one for the
  // device's and pad it.
  if (row.macLength != 6) return EINVAL;
  NeighbourRecord r;
  r.ifIndex = row.ifIndex;
  std::memcpy(r.addr, row.addr, sizeof r.addr);
  std::memcpy(r.mac, row.mac, row.macLength);
  r.macLength = row.macLength;
  return errnoResult(writeNeighbour(RTM_NEWNEIGH, AF_INET6, r, NUD_PERMANENT, true));
}

std::uint32_t getRoutes6(std::vector<Route6Row>& rows) {
  static const long ticksPerSecond = sysconf(_SC_CLK_TCK);
  std::vector<Route6Row> read;
  rtmsg header{};
  header.rtm_family = AF_INET6;
  // Unlike the IPv4 walk, which resumes by key, the IPv6 one starts over on a changed tree and
  // skips as many routes as it had given: a change heard meanwhile spoils the dump. Such
  // changes are rare (a router's advertisement renews its routes without an event).
  std::uint32_t error = netlink::dump(
      RTM_GETROUTE, &header, sizeof header, RTNLGRP_IPV6_ROUTE,
      [&](const nlmsghdr* m) { parseRoutes6(m, read, ticksPerSecond); }, [&] { read.clear(); });
  if (error) return errnoResult(error);
  rows = std::move(read);
  return kOk;
}

std::uint32_t getAddresses6(std::vector<Address6Row>& rows) {
  std::vector<Address6Row> read;
  if (std::uint32_t error = readAddresses6(read)) return errnoResult(error);
  rows = std::move(read);
  return kOk;
}

std::uint32_t getDnsServers(std::vector<DnsServerRow>& rows) {
  rows.clear();
  return kErrorNotSupported;
}

}  // namespace platform
