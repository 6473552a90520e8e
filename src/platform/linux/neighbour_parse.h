#pragma once
// One neighbour-table message to an ARP row, from the plain message bytes.
#include "platform/arp_platform.h"

struct nlmsghdr;

// False (row untouched) when the message is not a well-formed IPv4 neighbour with a
// destination. A missing link-layer address gives length 0 and an all-zero MAC; a longer one
// than 8 bytes is cut to 8.
bool parseNeighbour(const nlmsghdr* message, ArpRow& row);
// The same for a change event: a new or changed binding, or (removed) a deleted one.
bool parseNeighbourChange(const nlmsghdr* message, ArpRow& row, bool& removed);
