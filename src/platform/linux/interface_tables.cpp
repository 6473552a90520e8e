#include "platform/linux/interface_tables.h"

#include <linux/if_addr.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cstring>

#include "platform/linux/netlink.h"

namespace {

std::uint32_t dumpAddresses(unsigned char family, unsigned group,
                            const netlink::MessageHandler& onMessage,
                            const std::function<void()>& restart,
                            const netlink::EventCheck& agrees = nullptr) {
  ifaddrmsg header{};
  header.ifa_family = family;
  return netlink::dump(RTM_GETADDR, &header, sizeof header, group, onMessage, restart, agrees);
}

bool sameAddress(const Address6Row& a, const Address6Row& b) {
  return a.ifIndex == b.ifIndex && a.prefixLength == b.prefixLength &&
         std::memcmp(a.addr, b.addr, sizeof a.addr) == 0;
}

// IPv6 addresses announce every move of their own (tentative, preferred, deprecated): an
// address the rows already hold as it stands spoils nothing.
bool addressesAgree(const std::vector<Address6Row>& rows, const nlmsghdr* event) {
  Address6Row changed;
  if (event->nlmsg_type != RTM_NEWADDR || !parseAddress6(event, changed)) return false;
  for (const Address6Row& r : rows)
    if (sameAddress(r, changed)) return true;
  return false;
}

}  // namespace

std::uint32_t readLinks(std::vector<LinkRecord>& links) {
  ifinfomsg header{};
  header.ifi_family = AF_UNSPEC;
  return netlink::dump(
      RTM_GETLINK, &header, sizeof header, RTNLGRP_LINK,
      [&](const nlmsghdr* m) {
        LinkRecord link;
        if (parseLink(m, link)) links.push_back(std::move(link));
      },
      [&] { links.clear(); });
}

std::uint32_t readAddresses(std::vector<AddressRecord>& addresses) {
  return dumpAddresses(
      AF_INET, RTNLGRP_IPV4_IFADDR,
      [&](const nlmsghdr* m) {
        AddressRecord a;
        if (parseAddress(m, a)) addresses.push_back(a);
      },
      [&] { addresses.clear(); });
}

std::uint32_t readAddresses6(std::vector<Address6Row>& addresses) {
  return dumpAddresses(
      AF_INET6, RTNLGRP_IPV6_IFADDR,
      [&](const nlmsghdr* m) {
        Address6Row a;
        if (parseAddress6(m, a)) addresses.push_back(a);
      },
      [&] { addresses.clear(); },
      [&](const nlmsghdr* event) { return addressesAgree(addresses, event); });
}
