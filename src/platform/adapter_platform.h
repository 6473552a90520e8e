#pragma once
// The local adapters and their IPv4 addresses, in the system's order.
// Windows: GetAdaptersInfo (size query answering 111). Linux: rtnetlink links and
// addresses; loopback is not an adapter, nor is a link without an IPv4 address. Name and
// description are both the interface name; addresses in the kernel's order (primary first).
// Linux failure codes: 232 when no adapter qualifies; errno values of the netlink dumps
// (EAGAIN when the tables kept changing while read, socket errors).
#include <cstdint>
#include <string>
#include <vector>

struct PlatformAdapter {
  std::int32_t index = 0;
  std::string name;
  std::string description;
  std::uint8_t mac[8] = {};
  std::uint32_t macLength = 0;
  struct Address {
    std::string address;  // dotted text
    std::string mask;     // dotted text
  };
  std::vector<Address> addresses;  // every adapter listed has at least one
};

namespace platform {
// 0 and the adapters on success; otherwise the platform's error code and no adapters.
std::uint32_t getAdapters(std::vector<PlatformAdapter>& out);
}  // namespace platform
