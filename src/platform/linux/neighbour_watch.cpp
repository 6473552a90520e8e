// The neighbour table's change events, for the check that runs on them.
#include <linux/rtnetlink.h>

#include "platform/linux/neighbour_parse.h"
#include "platform/linux/netlink.h"
#include "platform/listen_platform.h"

namespace platform {

std::uint32_t watchNeighbours(NeighbourSink onChange, void (*onOverrun)()) {
  return netlink::listen(
      RTNLGRP_NEIGH,
      [&](const nlmsghdr* m) {
        ArpRow row;
        bool removed = false;
        if (parseNeighbourChange(m, row, removed)) onChange(row, removed);
      },
      [&] { onOverrun(); });
}

}  // namespace platform
