#pragma once
// The kernel's neighbour table of one family (AF_INET, AF_INET6): read whole, written one
// binding at a time.
#include <cstdint>
#include <vector>

#include "platform/linux/neighbour_parse.h"

// Every binding of the family, in the kernel's order; 0 or an errno value (EAGAIN when a
// change cut through each attempt), the list empty then.
std::uint32_t readNeighbourTable(unsigned char family, std::vector<NeighbourRecord>& rows);

// RTM_NEWNEIGH (create or replace, state) or RTM_DELNEIGH of one binding: its interface and
// address, with the link-layer address when withAddress (EINVAL for a length of 0 or above
// 8). 0 or the kernel's errno value.
std::uint32_t writeNeighbour(std::uint16_t type, unsigned char family, const NeighbourRecord& row,
                             std::uint16_t state, bool withAddress);
