#include "route/adapters.h"

#include <cstdio>
#include <cstring>

#include "base/address.h"
#include "base/address_input.h"
#include "base/external_text.h"
#include "base/text_field.h"
#include "platform/adapter_platform.h"
#include "report/journal.h"

std::vector<LocalAdapter> LocalAdapterList;
std::vector<LocalAddress> LocalAddressList;

bool discoverAdapters() {
  std::vector<PlatformAdapter> adapters;
  if (platform::getAdapters(adapters) != 0 || adapters.empty()) return false;
  LocalAdapterList.clear();
  LocalAddressList.clear();
  for (const PlatformAdapter& a : adapters) {
    LocalAdapter adapter{};
    adapter.index = a.index;
    // Interface names are the system's, but chosen by whoever created the interface.
    copyField(adapter.name, cleanExternalText(a.name));
    copyField(adapter.description, cleanExternalText(a.description));
    formatMac(a.mac, adapter.macText);  // the first six bytes, whatever the length
    LocalAdapterList.push_back(adapter);

    for (const PlatformAdapter::Address& ip : a.addresses) {
      LocalAddressList.push_back(
          {a.index, parseIpv4(ip.address.c_str()), parseIpv4(ip.mask.c_str())});
      char line[512];
      std::snprintf(line, sizeof line, "Адаптер: %s, IP: %s, Маска: %s", adapter.description,
                    ip.address.c_str(), ip.mask.c_str());
      reportEvent(line, Info);
    }
  }
  return true;
}

const LocalAddress* localAddressOf(std::uint32_t ip) {
  for (const LocalAddress& a : LocalAddressList)
    if (a.address == ip) return &a;
  return nullptr;
}

const LocalAdapter* localAdapterOf(std::int32_t index) {
  for (const LocalAdapter& a : LocalAdapterList)
    if (a.index == index) return &a;
  return nullptr;
}

bool isLocalMac(const std::uint8_t (&mac)[6]) {
  for (const LocalAdapter& a : LocalAdapterList) {
    std::uint8_t own[6];
    if (readMacText(fieldView(a.macText), own) && std::memcmp(own, mac, 6) == 0) return true;
  }
  return false;
}

bool onLocalSubnet(std::int32_t index, std::uint32_t ip) {
  for (const LocalAddress& a : LocalAddressList)
    if (a.index == index && (ip & a.mask) == (a.address & a.mask)) return true;
  return false;
}
