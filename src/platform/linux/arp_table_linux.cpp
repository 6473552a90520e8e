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
#include "platform/linux/neighbour_table.h"

namespace {

NeighbourRecord recordOf(const ArpRow& row) {
  NeighbourRecord r;
  r.ifIndex = row.index;
  std::memcpy(r.addr, &row.addr, 4);
  std::memcpy(r.mac, row.physAddr, sizeof r.mac);
  r.macLength = row.physAddrLen;
  return r;
}

std::uint16_t stateOf(const ArpRow& row) {
  return row.type == kArpTypeStatic ? NUD_PERMANENT : NUD_REACHABLE;
}

}  // namespace

namespace platform {

std::uint32_t getIpNetTable(void* buffer, std::uint32_t* size, bool sorted) {
  if (!size) return EINVAL;
  std::vector<NeighbourRecord> records;
  if (std::uint32_t error = readNeighbourTable(AF_INET, records)) return errnoResult(error);
  std::vector<ArpRow> rows;
  rows.reserve(records.size());
  for (const NeighbourRecord& r : records) rows.push_back(arpRowOf(r));
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
  return writeNeighbour(RTM_NEWNEIGH, AF_INET, recordOf(row), stateOf(row), true);
}

std::uint32_t deleteIpNetEntry(const ArpRow& row) {
  return writeNeighbour(RTM_DELNEIGH, AF_INET, recordOf(row), stateOf(row), false);
}

}  // namespace platform
