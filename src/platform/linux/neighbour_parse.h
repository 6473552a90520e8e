#pragma once
// Neighbour-table messages to rows, from the plain message bytes.
#include <cstdint>

#include "platform/arp_platform.h"
#include "platform/neighbour6_platform.h"

struct nlmsghdr;

// What one neighbour message says, for either family.
struct NeighbourRecord {
  std::uint32_t ifIndex = 0;
  std::uint8_t addr[16] = {};  // IPv4: the first 4 bytes
  std::uint8_t mac[8] = {};
  std::uint32_t macLength = 0;
  std::uint32_t type = 0;  // as ArpRow's
  bool router = false;     // IPv6 only
};

bool sameRecord(const NeighbourRecord& a, const NeighbourRecord& b);

// False (record untouched) when the message is not a well-formed RTM_NEWNEIGH or RTM_DELNEIGH
// (removed) of family (AF_INET, AF_INET6) with a destination of that family's length. A
// missing link-layer address gives length 0 and an all-zero MAC; a longer one than 8 bytes is
// cut to 8.
bool parseNeighbourRecord(const nlmsghdr* message, unsigned char family, NeighbourRecord& record,
                          bool& removed);

// False (row untouched) when the message is not a well-formed IPv4 neighbour with a
// destination, as parseNeighbourRecord.
bool parseNeighbour(const nlmsghdr* message, ArpRow& row);
// The same for a change event: a new or changed binding, or (removed) a deleted one.
bool parseNeighbourChange(const nlmsghdr* message, ArpRow& row, bool& removed);

// The IPv6 pair of the two above.
bool parseNeighbour6(const nlmsghdr* message, Neighbour6Row& row);
bool parseNeighbour6Change(const nlmsghdr* message, Neighbour6Row& row, bool& removed);

ArpRow arpRowOf(const NeighbourRecord& record);
Neighbour6Row neighbour6RowOf(const NeighbourRecord& record);
