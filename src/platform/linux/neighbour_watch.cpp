// The neighbour table's change events, for the check that runs on them.
#include <linux/rtnetlink.h>

#include <atomic>

#include "platform/linux/neighbour_parse.h"
#include "platform/linux/netlink.h"
#include "platform/listen_platform.h"

namespace {

std::atomic<platform::Neighbour6Sink> neighbour6Sink{nullptr};

}  // namespace

namespace platform {

void setNeighbour6Sink(Neighbour6Sink onChange) { neighbour6Sink = onChange; }

// One socket hears both families; an overrun loses events of either.
std::uint32_t watchNeighbours(NeighbourSink onChange, void (*onOverrun)()) {
  return netlink::listen(
      RTNLGRP_NEIGH,
      [&](const nlmsghdr* m) {
        ArpRow row;
        bool removed = false;
        if (parseNeighbourChange(m, row, removed)) {
          onChange(row, removed);
          return;
        }
        Neighbour6Row row6;
        const Neighbour6Sink sink6 = neighbour6Sink;
        if (sink6 && parseNeighbour6Change(m, row6, removed)) sink6(row6, removed);
      },
      [&] { onOverrun(); });
}

}  // namespace platform
