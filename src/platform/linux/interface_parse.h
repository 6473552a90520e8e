#pragma once
// Link and address messages to plain records, from the plain message bytes.
#include <cstdint>
#include <string>

#include "platform/neighbour6_platform.h"

struct nlmsghdr;

struct LinkRecord {
  std::uint32_t index = 0;
  bool loopback = false;
  std::string name;
  std::uint8_t mac[8] = {};
  std::uint32_t macLength = 0;  // the hardware address's length, cut to 8
};

struct AddressRecord {
  std::uint32_t index = 0;
  std::uint32_t address = 0;  // network order
  std::uint32_t prefixLength = 0;
  std::uint32_t broadcast = 0;  // network order, 0 when none
  bool secondary = false;
};

// False when the message is not a well-formed link (with a name) or IPv4 address.
bool parseLink(const nlmsghdr* message, LinkRecord& link);
bool parseAddress(const nlmsghdr* message, AddressRecord& address);
// The same for an IPv6 address, of any scope.
bool parseAddress6(const nlmsghdr* message, Address6Row& address);

// Network-order mask of a prefix length (0 to 32; more counts as 32).
std::uint32_t prefixMask(std::uint32_t prefixLength);
// The prefix length of a network-order mask; -1 when its ones are not contiguous.
int maskPrefix(std::uint32_t maskNetworkOrder);
