// Adapters: every link but loopback that holds an IPv4 address; the address table as the
// route list shows it.
#include <netinet/in.h>

#include <cstdio>
#include <cstring>

#include "platform/adapter_platform.h"
#include "platform/linux/errno_result.h"
#include "platform/linux/interface_tables.h"
#include "platform/route_platform.h"

namespace {

std::string dotted(std::uint32_t networkOrder) {
  const auto* b = reinterpret_cast<const unsigned char*>(&networkOrder);
  char text[20];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return text;
}

}  // namespace

namespace platform {

std::uint32_t getAdapters(std::vector<PlatformAdapter>& out) {
  out.clear();
  std::vector<LinkRecord> links;
  std::vector<AddressRecord> addresses;
  if (std::uint32_t error = readLinks(links)) return errnoResult(error);
  if (std::uint32_t error = readAddresses(addresses)) return errnoResult(error);
  for (const LinkRecord& link : links) {
    if (link.loopback) continue;
    PlatformAdapter adapter;
    adapter.index = static_cast<std::int32_t>(link.index);
    adapter.name = link.name;
    adapter.description = link.name;
    std::memcpy(adapter.mac, link.mac, sizeof adapter.mac);
    adapter.macLength = link.macLength;
    for (const AddressRecord& a : addresses)
      if (a.index == link.index)
        adapter.addresses.push_back({dotted(a.address), dotted(prefixMask(a.prefixLength))});
    if (!adapter.addresses.empty()) out.push_back(std::move(adapter));
  }
  return out.empty() ? kErrorNoData : kOk;
}

std::uint32_t getIpAddrTable(std::vector<IpAddrRow>& rows) {
  std::vector<AddressRecord> addresses;
  if (std::uint32_t error = readAddresses(addresses)) return error;
  rows.clear();
  for (const AddressRecord& a : addresses) {
    IpAddrRow row{};
    row.addr = a.address;
    row.index = a.index;
    row.mask = prefixMask(a.prefixLength);
    row.broadcast = a.broadcast;
    row.reassemblySize = 65535;
    row.type = a.secondary ? 0 : 1;  // 1: primary
    rows.push_back(row);
  }
  return kOk;
}

}  // namespace platform
