#include "platform/linux/interface_parse.h"

#include <libmnl/libmnl.h>
#include <linux/if.h>
#include <linux/if_addr.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

#include "platform/linux/attribute_walk.h"

namespace {

struct Attributes {
  const nlattr* byType[64] = {};
};

int collect(const nlattr* attr, void* data) {
  auto* a = static_cast<Attributes*>(data);
  const std::uint16_t type = mnl_attr_get_type(attr);
  if (type < 64) a->byType[type] = attr;
  return MNL_CB_OK;
}

bool read4(const nlattr* attr, std::uint32_t& out) { return readFixed(attr, &out, 4); }

// The family header of a well-formed address of family, its attributes in a; null otherwise.
const ifaddrmsg* addressMessage(const nlmsghdr* message, unsigned char family, Attributes& a) {
  if (message->nlmsg_len < NLMSG_LENGTH(sizeof(ifaddrmsg))) return nullptr;
  if (message->nlmsg_type != RTM_NEWADDR) return nullptr;
  const auto* ifa = static_cast<const ifaddrmsg*>(mnl_nlmsg_get_payload(message));
  if (ifa->ifa_family != family || ifa->ifa_prefixlen > (family == AF_INET ? 32 : 128))
    return nullptr;
  return walkAttributes(message, sizeof(ifaddrmsg), collect, &a) ? ifa : nullptr;
}

// On a point-to-point link IFA_ADDRESS is the peer; IFA_LOCAL is always our own.
bool readOwnAddress(const Attributes& a, void* out, unsigned length) {
  return readFixed(a.byType[IFA_LOCAL], out, length) ||
         readFixed(a.byType[IFA_ADDRESS], out, length);
}

}  // namespace

bool parseLink(const nlmsghdr* message, LinkRecord& link) {
  if (message->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg))) return false;
  if (message->nlmsg_type != RTM_NEWLINK) return false;
  const auto* ifi = static_cast<const ifinfomsg*>(mnl_nlmsg_get_payload(message));
  Attributes a;
  if (!walkAttributes(message, sizeof(ifinfomsg), collect, &a)) return false;
  const nlattr* name = a.byType[IFLA_IFNAME];
  if (!name || mnl_attr_validate(name, MNL_TYPE_NUL_STRING) != 0) return false;

  LinkRecord r;
  r.index = static_cast<std::uint32_t>(ifi->ifi_index);
  r.loopback = (ifi->ifi_flags & IFF_LOOPBACK) != 0;
  r.name = mnl_attr_get_str(name);
  if (const nlattr* hw = a.byType[IFLA_ADDRESS]) {
    std::uint32_t length = mnl_attr_get_payload_len(hw);
    if (length > sizeof r.mac) length = sizeof r.mac;
    std::memcpy(r.mac, mnl_attr_get_payload(hw), length);
    r.macLength = length;
  }
  link = std::move(r);
  return true;
}

bool parseAddress(const nlmsghdr* message, AddressRecord& address) {
  Attributes a;
  const ifaddrmsg* ifa = addressMessage(message, AF_INET, a);
  AddressRecord r;
  if (!ifa || !readOwnAddress(a, &r.address, 4)) return false;
  r.index = ifa->ifa_index;
  r.prefixLength = ifa->ifa_prefixlen;
  read4(a.byType[IFA_BROADCAST], r.broadcast);
  r.secondary = (ifa->ifa_flags & IFA_F_SECONDARY) != 0;
  address = r;
  return true;
}

bool parseAddress6(const nlmsghdr* message, Address6Row& address) {
  Attributes a;
  const ifaddrmsg* ifa = addressMessage(message, AF_INET6, a);
  Address6Row r;
  if (!ifa || !readOwnAddress(a, r.addr, sizeof r.addr)) return false;
  r.ifIndex = ifa->ifa_index;
  r.prefixLength = ifa->ifa_prefixlen;
  address = r;
  return true;
}

std::uint32_t prefixMask(std::uint32_t prefixLength) {
  if (prefixLength == 0) return 0;
  if (prefixLength > 32) prefixLength = 32;
  return htonl(0xFFFFFFFFu << (32 - prefixLength));
}

int maskPrefix(std::uint32_t maskNetworkOrder) {
  const std::uint32_t m = ntohl(maskNetworkOrder);
  const std::uint32_t inverted = ~m;
  if (inverted & (inverted + 1)) return -1;  // ones after a zero
  return __builtin_popcount(m);
}
