// The IPv6 tables, served from the fake's rows; writes are recorded.
#include <cstring>

#include "base/address.h"
#include "base/address6.h"
#include "fake_platform.h"
#include "platform/neighbour6_platform.h"

Neighbour6Row fakeNeighbour6(std::uint32_t ifIndex, const char* ip, const char* mac,
                             std::uint32_t type, bool router) {
  Neighbour6Row r;
  r.ifIndex = ifIndex;
  Ipv6Address a{};
  readIpv6Text(ip, a);
  std::memcpy(r.addr, a.bytes, 16);
  std::uint8_t b[6] = {};
  r.macLength = parseMac(mac, b) == 6 ? 6 : 0;
  std::memcpy(r.mac, b, 6);
  r.type = type;
  r.router = router;
  return r;
}

namespace platform {

std::uint32_t getNeighbours6(std::vector<Neighbour6Row>& rows) {
  ++fake.neighbours6Reads;
  if (fake.neighbours6Error) return fake.neighbours6Error;
  rows = fake.neighbours6;
  return 0;
}

std::uint32_t setNeighbour6(const Neighbour6Row& row) {
  fake.setNeighbours6.push_back(row);
  return fake.setNeighbour6Result;
}

std::uint32_t getRoutes6(std::vector<Route6Row>& rows) {
  if (fake.routes6Error) return fake.routes6Error;
  rows = fake.routes6;
  return 0;
}

std::uint32_t getAddresses6(std::vector<Address6Row>& rows) {
  if (fake.addresses6Error) return fake.addresses6Error;
  rows = fake.addresses6;
  return 0;
}

std::uint32_t getDnsServers(std::vector<DnsServerRow>& rows) {
  if (fake.dnsServersError) return fake.dnsServersError;
  rows = fake.dnsServers;
  return 0;
}

std::uint32_t notifyRoute6Change() {
  if (fake.route6Notifications.empty()) return kErrorNotSupported;
  const std::uint32_t r = fake.route6Notifications.front();
  fake.route6Notifications.erase(fake.route6Notifications.begin());
  return r;
}

}  // namespace platform
