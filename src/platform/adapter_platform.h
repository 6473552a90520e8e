#pragma once
// The local adapters and their IPv4 addresses, in the system's order.
// Windows: GetAdaptersInfo (size query answering 111). Linux: rtnetlink links and
// addresses; loopback is not an adapter. Failure codes: see getAdapters.
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
}
