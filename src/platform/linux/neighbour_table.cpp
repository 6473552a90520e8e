#include "platform/linux/neighbour_table.h"

#include <libmnl/libmnl.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/linux/netlink.h"

namespace {

unsigned addressLength(unsigned char family) { return family == AF_INET ? 4 : 16; }

// A neighbour whose state moves (reachable, stale, ...) changes no row; only a binding that
// the dump does not show as it now stands spoils it.
bool rowsAgree(unsigned char family, const std::vector<NeighbourRecord>& rows,
               const nlmsghdr* event) {
  NeighbourRecord changed;
  bool removed = false;
  if (!parseNeighbourRecord(event, family, changed, removed)) return false;
  for (const NeighbourRecord& r : rows)
    if (r.ifIndex == changed.ifIndex && std::memcmp(r.addr, changed.addr, sizeof r.addr) == 0)
      return !removed && sameRecord(r, changed);
  return removed;
}

bool keyBefore(const NeighbourRecord& a, const NeighbourRecord& b) {
  if (a.ifIndex != b.ifIndex) return a.ifIndex < b.ifIndex;
  return std::memcmp(a.addr, b.addr, sizeof a.addr) < 0;
}

bool hasRepeats(std::vector<NeighbourRecord> rows) {
  std::sort(rows.begin(), rows.end(), keyBefore);
  return std::adjacent_find(rows.begin(), rows.end(),
                            [](const NeighbourRecord& a, const NeighbourRecord& b) {
                              return !keyBefore(a, b) && !keyBefore(b, a);
                            }) != rows.end();
}

}  // namespace

std::uint32_t readNeighbourTable(unsigned char family, std::vector<NeighbourRecord>& rows) {
  ndmsg header{};
  header.ndm_family = family;
  std::uint32_t error = EAGAIN;
  for (int attempt = 0; attempt < netlink::kDumpAttempts && error == EAGAIN; ++attempt) {
    error = netlink::dump(
        RTM_GETNEIGH, &header, sizeof header, RTNLGRP_NEIGH,
        [&](const nlmsghdr* m) {
          NeighbourRecord row;
          bool removed = false;
          if (m->nlmsg_type == RTM_NEWNEIGH && parseNeighbourRecord(m, family, row, removed))
            rows.push_back(row);
        },
        [&] { rows.clear(); },
        [&](const nlmsghdr* event) { return rowsAgree(family, rows, event); });
    // A row seen twice means the walk slipped; the next walk starts clean.
    if (error == 0 && hasRepeats(rows)) error = EAGAIN;
  }
  if (error) rows.clear();
  return error;
}

std::uint32_t writeNeighbour(std::uint16_t type, unsigned char family, const NeighbourRecord& row,
                             std::uint16_t state, bool withAddress) {
  char buffer[netlink::kRequestBytes];
  nlmsghdr* nlh = mnl_nlmsg_put_header(buffer);
  nlh->nlmsg_type = type;
  nlh->nlmsg_flags = type == RTM_NEWNEIGH ? NLM_F_CREATE | NLM_F_REPLACE : 0;
  auto* nd = static_cast<ndmsg*>(mnl_nlmsg_put_extra_header(nlh, sizeof(ndmsg)));
  nd->ndm_family = family;
  nd->ndm_ifindex = static_cast<int>(row.ifIndex);
  nd->ndm_state = state;
  mnl_attr_put(nlh, NDA_DST, addressLength(family), row.addr);
  if (withAddress) {
    if (row.macLength == 0 || row.macLength > sizeof row.mac) return EINVAL;
    mnl_attr_put(nlh, NDA_LLADDR, row.macLength, row.mac);
  }
  return netlink::request(nlh);
}
