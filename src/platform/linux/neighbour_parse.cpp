#include "platform/linux/neighbour_parse.h"

#include <libmnl/libmnl.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstring>

#include "platform/linux/attribute_walk.h"

namespace {

struct NeighbourAttributes {
  const nlattr* dst = nullptr;
  const nlattr* lladdr = nullptr;
};

int collect(const nlattr* attr, void* data) {
  auto* a = static_cast<NeighbourAttributes*>(data);
  switch (mnl_attr_get_type(attr)) {
    case NDA_DST:
      if (mnl_attr_validate2(attr, MNL_TYPE_BINARY, 4) == 0) a->dst = attr;
      break;
    case NDA_LLADDR:
      a->lladdr = attr;  // any length; cut when copied
      break;
  }
  return MNL_CB_OK;
}

}  // namespace

bool parseNeighbour(const nlmsghdr* message, ArpRow& row) {
  bool removed = false;
  return message->nlmsg_type == RTM_NEWNEIGH && parseNeighbourChange(message, row, removed);
}

bool parseNeighbourChange(const nlmsghdr* message, ArpRow& row, bool& removed) {
  if (message->nlmsg_len < NLMSG_LENGTH(sizeof(ndmsg))) return false;
  if (message->nlmsg_type != RTM_NEWNEIGH && message->nlmsg_type != RTM_DELNEIGH) return false;
  const auto* nd = static_cast<const ndmsg*>(mnl_nlmsg_get_payload(message));
  if (nd->ndm_family != AF_INET) return false;
  NeighbourAttributes a;
  if (!walkAttributes(message, sizeof(ndmsg), collect, &a) || !a.dst) return false;

  ArpRow r{};
  r.index = static_cast<std::uint32_t>(nd->ndm_ifindex);
  std::memcpy(&r.addr, mnl_attr_get_payload(a.dst), 4);
  if (a.lladdr) {
    std::uint32_t length = mnl_attr_get_payload_len(a.lladdr);
    if (length > sizeof r.physAddr) length = sizeof r.physAddr;
    std::memcpy(r.physAddr, mnl_attr_get_payload(a.lladdr), length);
    r.physAddrLen = length;
  }
  // Only what someone made permanent is static. NOARP bindings (loopback, multicast,
  // broadcast) never age either, but the kernel makes them itself: saved and written back
  // as permanent entries they would put a bogus 0.0.0.0 binding on the first interface.
  r.type = (nd->ndm_state & NUD_PERMANENT) ? kArpTypeStatic
           : (nd->ndm_state & NUD_NOARP)   ? kArpTypeOther
                                           : kArpTypeDynamic;
  row = r;
  removed = message->nlmsg_type == RTM_DELNEIGH;
  return true;
}
