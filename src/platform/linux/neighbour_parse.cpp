#include "platform/linux/neighbour_parse.h"

#include <libmnl/libmnl.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstring>

#include "platform/linux/attribute_walk.h"

namespace {

struct NeighbourAttributes {
  unsigned addressLength = 0;
  const nlattr* dst = nullptr;
  const nlattr* lladdr = nullptr;
};

int collect(const nlattr* attr, void* data) {
  auto* a = static_cast<NeighbourAttributes*>(data);
  switch (mnl_attr_get_type(attr)) {
    case NDA_DST:
      if (mnl_attr_validate2(attr, MNL_TYPE_BINARY, a->addressLength) == 0) a->dst = attr;
      break;
    case NDA_LLADDR:
      a->lladdr = attr;  // any length; cut when copied
      break;
  }
  return MNL_CB_OK;
}

}  // namespace

bool sameRecord(const NeighbourRecord& a, const NeighbourRecord& b) {
  return a.ifIndex == b.ifIndex && std::memcmp(a.addr, b.addr, sizeof a.addr) == 0 &&
         std::memcmp(a.mac, b.mac, sizeof a.mac) == 0 && a.macLength == b.macLength &&
         a.type == b.type && a.router == b.router;
}

bool parseNeighbourRecord(const nlmsghdr* message, unsigned char family, NeighbourRecord& record,
                          bool& removed) {
  if (message->nlmsg_len < NLMSG_LENGTH(sizeof(ndmsg))) return false;
  if (message->nlmsg_type != RTM_NEWNEIGH && message->nlmsg_type != RTM_DELNEIGH) return false;
  const auto* nd = static_cast<const ndmsg*>(mnl_nlmsg_get_payload(message));
  if (nd->ndm_family != family || (family != AF_INET && family != AF_INET6)) return false;
  NeighbourAttributes a;
  a.addressLength = family == AF_INET ? 4 : 16;
  if (!walkAttributes(message, sizeof(ndmsg), collect, &a) || !a.dst) return false;

  NeighbourRecord r;
  r.ifIndex = static_cast<std::uint32_t>(nd->ndm_ifindex);
  std::memcpy(r.addr, mnl_attr_get_payload(a.dst), a.addressLength);
  if (a.lladdr) {
    std::uint32_t length = mnl_attr_get_payload_len(a.lladdr);
    if (length > sizeof r.mac) length = sizeof r.mac;
    std::memcpy(r.mac, mnl_attr_get_payload(a.lladdr), length);
    r.macLength = length;
  }
  // Only what someone made permanent is static. NOARP bindings (loopback, multicast,
  // broadcast) never age either, but the kernel makes them itself: saved and written back
  // as permanent entries they would put a bogus 0.0.0.0 binding on the first interface.
  r.type = (nd->ndm_state & NUD_PERMANENT) ? kArpTypeStatic
           : (nd->ndm_state & NUD_NOARP)   ? kArpTypeOther
                                           : kArpTypeDynamic;
  r.router = family == AF_INET6 && (nd->ndm_flags & NTF_ROUTER) != 0;
  record = r;
  removed = message->nlmsg_type == RTM_DELNEIGH;
  return true;
}

ArpRow arpRowOf(const NeighbourRecord& record) {
  ArpRow r{};
  r.index = record.ifIndex;
  std::memcpy(&r.addr, record.addr, 4);
  std::memcpy(r.physAddr, record.mac, sizeof r.physAddr);
  r.physAddrLen = record.macLength;
  r.type = record.type;
  return r;
}

Neighbour6Row neighbour6RowOf(const NeighbourRecord& record) {
  Neighbour6Row r;
  r.ifIndex = record.ifIndex;
  std::memcpy(r.addr, record.addr, sizeof r.addr);
  std::memcpy(r.mac, record.mac, sizeof r.mac);
  r.macLength = record.macLength;
  r.type = record.type;
  r.router = record.router;
  return r;
}

bool parseNeighbour(const nlmsghdr* message, ArpRow& row) {
  bool removed = false;
  return message->nlmsg_type == RTM_NEWNEIGH && parseNeighbourChange(message, row, removed);
}

bool parseNeighbourChange(const nlmsghdr* message, ArpRow& row, bool& removed) {
  NeighbourRecord r;
  if (!parseNeighbourRecord(message, AF_INET, r, removed)) return false;
  row = arpRowOf(r);
  return true;
}

bool parseNeighbour6(const nlmsghdr* message, Neighbour6Row& row) {
  bool removed = false;
  return message->nlmsg_type == RTM_NEWNEIGH && parseNeighbour6Change(message, row, removed);
}

bool parseNeighbour6Change(const nlmsghdr* message, Neighbour6Row& row, bool& removed) {
  NeighbourRecord r;
  if (!parseNeighbourRecord(message, AF_INET6, r, removed)) return false;
  row = neighbour6RowOf(r);
  return true;
}
