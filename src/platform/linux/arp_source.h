#pragma once
// Where an ARP request for an address leaves from: the first local address whose subnet holds
// it, and that address's link. Shared by the single probe and the sweep.
#include <cstdint>
#include <vector>

#include "platform/linux/interface_parse.h"

struct ArpSource {
  std::uint32_t ifIndex = 0;
  std::uint32_t address = 0;  // network order
  std::uint8_t mac[6] = {};
};

// From tables already read: 0, ENETUNREACH (no subnet holds dest), EOPNOTSUPP (loopback or
// not Ethernet) or ENODEV (the address's link is missing).
std::uint32_t chooseArpSource(std::uint32_t destNetworkOrder,
                              const std::vector<AddressRecord>& addresses,
                              const std::vector<LinkRecord>& links, ArpSource& source);
// The same from the kernel's tables as they are now; also netlink errno values.
std::uint32_t findArpSource(std::uint32_t destNetworkOrder, ArpSource& source);

// A packet socket bound to ifIndex that hears ARP only. 0 or an errno value (EPERM without
// CAP_NET_RAW); fd is -1 on failure.
std::uint32_t openArpSocket(std::uint32_t ifIndex, int& fd);
