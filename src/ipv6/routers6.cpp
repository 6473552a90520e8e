#include "ipv6/routers6.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/address_input.h"
#include "base/recent_keys.h"
#include "base/text_field.h"
#include "ipv6/known6.h"
#include "ipv6/route6_view.h"
#include "ipv6/samples6.h"
#include "ipv6/watch6.h"
#include "report/event_text.h"
#include "report/journal.h"
#include "route/adapters.h"
#include "settings/settings.h"

namespace {

struct Routers {
  OnceKeys told{4096};  // (address, MAC) of routers journalled
  std::vector<Route6Row> routes;
  std::vector<Neighbour6Row> neighbours;
  bool routesOff = false;  // the system offers no route table
  bool awaiting = false;   // a gateway's MAC was not known at the last pass
};

Routers& routers() {
  static Routers r;  // made when the first router is looked at
  return r;
}

// Journals the router unless a fitting sample names it or it was told; details is the
// line's tail after the sample's part, without parentheses.
void decideRouter(const std::uint8_t (&address)[16], const std::uint8_t (&mac)[6],
                  const std::string& details) {
  const Ipv6Address a = ipv6From(address);
  // Our own MAC: the machine is the router (a daemon of its own), nobody else's.
  if (!isUnicast6(a) || !isUnicastMac(mac) || isLocalMac(mac)) return;
  const std::string ip = formatIpv6(a), hardware = macText(mac);
  const SampleVerdict6 sample = judgeBySample6(ip, hardware, true);
  if (sample.fits) return;
  if (!routers().told.first(addressMacKey(address, mac))) return;
  std::string line = kRogueRouterLine + ip + ' ' + hardware + " (";
  if (sample.index >= 0 && !sample.macFits) {
    const Address6Entry& s = Sample6List[sample.index];
    line += kRouterTailSample;
    line += fieldView(s.ipText);
    line += ' ';
    line += fieldView(s.macText);
    line += "; ";
  }
  line += details + ')';
  reportEvent(line.c_str(), Spoofing);
}

bool allZero(const std::uint8_t (&bytes)[16]) {
  for (const std::uint8_t b : bytes)
    if (b) return false;
  return true;
}

bool sameAddress(const std::uint8_t (&a)[16], const std::uint8_t (&b)[16]) {
  return std::memcmp(a, b, 16) == 0;
}

// The gateway's MAC from the last neighbour check, else from the table itself (read once per
// pass). False while the gateway's MAC is not known yet: the next pass decides it.
bool gatewayMac(const Route6Row& route, bool& tableRead, std::uint8_t (&mac)[6]) {
  const std::string ip = ipv6Text(route.gateway);
  for (const Address6Entry& e : Neighbour6List)
    if (e.ifIndex == route.ifIndex && fieldView(e.ipText) == ip &&
        readMacText(fieldView(e.macText), mac) && isUnicastMac(mac))
      return true;
  Routers& r = routers();
  if (!tableRead) {
    tableRead = true;
    r.neighbours.clear();
    if (platform::getNeighbours6(r.neighbours) != kOk) r.neighbours.clear();
  }
  for (const Neighbour6Row& n : r.neighbours) {
    if (n.ifIndex != route.ifIndex || n.macLength != 6 || !sameAddress(n.addr, route.gateway))
      continue;
    std::memcpy(mac, n.mac, 6);
    return isUnicastMac(mac);
  }
  return false;
}

}  // namespace

void checkRoutes6() {
  if (!settings.WatchIpv6) return;
  Routers& r = routers();
  if (r.routesOff) return;
  r.routes.clear();
  const std::uint32_t result = platform::getRoutes6(r.routes);
  if (result == kErrorNotSupported) r.routesOff = true;
  if (result != kOk) return;
  takeRoutes6(r.routes);
  bool tableRead = false;
  r.awaiting = false;
  for (const Route6Row& route : r.routes) {
    if (route.prefixLength != 0 || allZero(route.gateway)) continue;
    std::uint8_t mac[6];
    if (!gatewayMac(route, tableRead, mac)) {
      r.awaiting = true;
      continue;
    }
    // The index, as the route lists show it (a Windows adapter's name is a GUID).
    decideRouter(
        route.gateway, mac,
        std::string(kRouterTailRoute) + ", " + kWireTailInterface + std::to_string(route.ifIndex));
  }
}

void decideRouterAdvert(const platform::HeardIpv6& advert) {
  std::string details;
  const std::size_t prefixes = std::min<std::size_t>(advert.prefixCount, platform::kHeardListMax);
  if (prefixes) {
    details += kRouterTailPrefixes;
    for (std::size_t i = 0; i < prefixes; ++i) {
      if (i) details += ", ";
      details += ipv6Text(advert.prefixes[i].bytes);
      details += '/' + std::to_string(advert.prefixes[i].length);
    }
    details += "; ";
  }
  details += kRouterTailLifetime + std::to_string(advert.routerLifetime) + " с";
  if (advert.dnsCount) {
    details += "; ";
    details += kRouterTailDns;
    appendAddressList(details, advert.dns, advert.dnsCount);
  }
  decideRouter(advert.source, advert.hasLinkAddress ? advert.linkAddress : advert.etherSource,
               details);
}

bool routerAwaitsMac6() { return routers().awaiting; }

void resetRouters6() {
  Routers& r = routers();
  r.told.clear();
  Route6List.clear();  // shown again by showRoutes6
  r.routesOff = false;
  r.awaiting = false;
}
