#include "platform/linux/interface_tables.h"

#include <linux/if_addr.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include "platform/linux/netlink.h"

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
  ifaddrmsg header{};
  header.ifa_family = AF_INET;
  return netlink::dump(
      RTM_GETADDR, &header, sizeof header, RTNLGRP_IPV4_IFADDR,
      [&](const nlmsghdr* m) {
        AddressRecord a;
        if (parseAddress(m, a)) addresses.push_back(a);
      },
      [&] { addresses.clear(); });
}
