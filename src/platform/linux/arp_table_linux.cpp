// The ARP table over rtnetlink: the IPv4 neighbour table, read whole and written one row
// at a time.
#include <libmnl/libmnl.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/arp_platform.h"
#include "platform/linux/errno_result.h"
#include "platform/linux/neighbour_parse.h"
#include "platform/linux/netlink.h"

namespace {

bool sameRow(const ArpRow& a, const ArpRow& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A neighbour whose state moves (reachable, stale, ...) changes no row; only a binding that
// the dump does not show as it now stands spoils it.
bool rowsAgree(const std::vector<ArpRow>& rows, const nlmsghdr* event) {
  ArpRow changed;
  bool removed = false;
  if (!parseNeighbourChange(event, changed, removed)) return false;
  for (const ArpRow& r : rows)
    if (r.index == changed.index && r.addr == changed.addr) return !removed && sameRow(r, changed);
  return removed;
}

bool hasRepeats(std::vector<ArpRow> rows) {
  auto key = [](const ArpRow& r) { return std::uint64_t{r.index} << 32 | r.addr; };
  std::sort(rows.begin(), rows.end(),
            [&](const ArpRow& a, const ArpRow& b) { return key(a) < key(b); });
  return std::adjacent_find(rows.begin(), rows.end(), [&](const ArpRow& a, const ArpRow& b) {
           return key(a) == key(b);
         }) != rows.end();
}

std::uint32_t readNeighbours(std::vector<ArpRow>& rows) {
  ndmsg header{};
  header.ndm_family = AF_INET;
  std::uint32_t error = EAGAIN;
  for (int attempt = 0; attempt < netlink::kDumpAttempts && error == EAGAIN; ++attempt) {
    error = netlink::dump(
        RTM_GETNEIGH, &header, sizeof header, RTNLGRP_NEIGH,
        [&](const nlmsghdr* m) {
          ArpRow row;
          if (parseNeighbour(m, row)) rows.push_back(row);
        },
        [&] { rows.clear(); }, [&](const nlmsghdr* event) { return rowsAgree(rows, event); });
    // A row seen twice means the walk slipped; the next walk starts clean.
    if (error == 0 && hasRepeats(rows)) error = EAGAIN;
  }
  if (error) rows.clear();
  return error;
}

std::uint32_t neighbourRequest(std::uint16_t type, std::uint16_t flags, const ArpRow& row,
                               bool withAddress) {
  char buffer[netlink::kRequestBytes];
  nlmsghdr* nlh = mnl_nlmsg_put_header(buffer);
  nlh->nlmsg_type = type;
  nlh->nlmsg_flags = flags;
  auto* nd = static_cast<ndmsg*>(mnl_nlmsg_put_extra_header(nlh, sizeof(ndmsg)));
  nd->ndm_family = AF_INET;
  nd->ndm_ifindex = static_cast<int>(row.index);
  nd->ndm_state = row.type == kArpTypeStatic ? NUD_PERMANENT : NUD_REACHABLE;
  mnl_attr_put(nlh, NDA_DST, 4, &row.addr);
  if (withAddress) {
    if (row.physAddrLen == 0 || row.physAddrLen > sizeof row.physAddr) return EINVAL;
    mnl_attr_put(nlh, NDA_LLADDR, row.physAddrLen, row.physAddr);
  }
  return netlink::request(nlh);
}

}  // namespace

namespace platform {

std::uint32_t getIpNetTable(void* buffer, std::uint32_t* size, bool sorted) {
  if (!size) return EINVAL;
  std::vector<ArpRow> rows;
  if (std::uint32_t error = readNeighbours(rows)) return errnoResult(error);
  if (rows.empty()) return kErrorNoData;
  if (sorted)
    std::stable_sort(rows.begin(), rows.end(), [](const ArpRow& a, const ArpRow& b) {
      return ntohl(a.addr) < ntohl(b.addr);
    });
  const std::uint64_t need = 4 + sizeof(ArpRow) * static_cast<std::uint64_t>(rows.size());
  if (need > UINT32_MAX) return ENOMEM;
  if (!buffer || *size < need) {
    *size = static_cast<std::uint32_t>(need);
    return kErrorInsufficientBuffer;
  }
  const auto count = static_cast<std::uint32_t>(rows.size());
  std::memcpy(buffer, &count, 4);
  std::memcpy(static_cast<char*>(buffer) + 4, rows.data(), sizeof(ArpRow) * rows.size());
  return kOk;
}

std::uint32_t setIpNetEntry(const ArpRow& row) {
  return neighbourRequest(RTM_NEWNEIGH, NLM_F_CREATE | NLM_F_REPLACE, row, true);
}

std::uint32_t deleteIpNetEntry(const ArpRow& row) {
  return neighbourRequest(RTM_DELNEIGH, 0, row, false);
}

}  // namespace platform
