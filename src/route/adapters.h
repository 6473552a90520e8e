#pragma once
// The local adapters and their IPv4 addresses, read once at start-up.
#include <cstdint>
#include <vector>

struct LocalAdapter {
  std::int32_t index;
  char name[260];
  char description[132];
  char macText[20];
};

struct LocalAddress {
  std::int32_t index;
  std::uint32_t address;  // host order, as parseIpv4 makes it
  std::uint32_t mask;
};

extern std::vector<LocalAdapter> LocalAdapterList;
extern std::vector<LocalAddress> LocalAddressList;

// Lookups over the lists as last discovered.
const LocalAddress* localAddressOf(std::uint32_t ip);  // the record holding ip, or null
const LocalAdapter* localAdapterOf(std::int32_t index);
bool isLocalMac(const std::uint8_t (&mac)[6]);  // the MAC of one of the adapters
// Whether ip lies in the subnet of one of the interface's addresses.
bool onLocalSubnet(std::int32_t index, std::uint32_t ip);

// Fills both lists and journals "Адаптер: %s, IP: %s, Маска: %s" per address.
// False when the system gives no adapter information.
bool discoverAdapters();
