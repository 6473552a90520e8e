// The IPv6 watch's routers, DNS and DHCPv6 servers and heard neighbours: what is told, once,
// and what a sample silences.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/address.h"
#include "base/address6.h"
#include "base/text_field.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "ipv6/routers6.h"
#include "ipv6/samples6.h"
#include "ipv6/watch6.h"
#include "route/adapters.h"
#include "settings/settings.h"

namespace {

using H = platform::HeardIpv6;

void readInto(const char* text, std::uint8_t (&bytes)[16]) {
  Ipv6Address a{};
  EXPECT_TRUE(readIpv6Text(text, a)) << text;
  std::memcpy(bytes, a.bytes, 16);
}

Address6Entry entry6(const char* ip, const char* mac) {
  Address6Entry e = makeEntry6();
  copyField(e.ipText, ip);
  copyField(e.macText, mac);
  e.ifIndex = 2;
  return e;
}

// What a step does with ip: hears a frame (MACs 02-00-00-00-00-XX by their last byte; link 0:
// no link-layer option; parts: prefixes, lifetime and DNS servers), reads default routes via
// ip with its MAC in the last check's list or only in the table, reads DNS servers.
enum Act { Frame, RouteViaList, RouteViaTable, Servers };
struct Step {
  Act act;
  const char* ip;
  H::Kind kind;
  std::uint8_t ether, link;
  bool parts;
  const char* line;  // what the last line holds; "": no line
  const char* also;  // what the line before it holds
};

void run(const Step& s) {
  H f{};
  f.kind = s.kind;
  readInto(s.ip, s.kind == H::NeighbourAdvert ? f.target : f.source);
  f.etherSource[0] = f.linkAddress[0] = 2;
  f.etherSource[5] = s.ether;
  f.linkAddress[5] = s.link;
  f.hasLinkAddress = s.link != 0;
  f.ifIndex = 2;
  f.routerLifetime = s.parts ? 1800 : 0;
  f.prefixCount = f.dnsCount = s.parts ? 2 : 0;
  readInto("2001:db8:1::", f.prefixes[0].bytes);
  readInto("2001:db8:2::", f.prefixes[1].bytes);
  f.prefixes[0].length = 64;
  f.prefixes[1].length = 56;
  readInto("2001:db8::53", f.dns[0]);
  readInto("fe80::53", f.dns[1]);
  char mac[20];
  formatMac(f.etherSource, mac);
  Route6Row r;
  readInto(s.ip, r.gateway);
  r.ifIndex = 2;
  fake.routes6 = {r};
  if (s.act == Frame) decideHeardIpv6(f, 0);
  if (s.act == RouteViaList && s.ether) Neighbour6List.push_back(entry6(s.ip, mac));
  if (s.act == RouteViaTable) fake.neighbours6 = {fakeNeighbour6(2, s.ip, mac)};
  if (s.act == RouteViaList || s.act == RouteViaTable) checkRoutes6();
  if (s.act == Servers) checkDnsServers();
}

void runSteps(const Step* steps, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const Step& s = steps[i];
    ui.windowLines.clear();
    run(s);
    ASSERT_EQ(ui.windowLines.size(), *s.line ? (*s.also ? 2u : 1u) : 0u) << "step " << i;
    if (*s.line) {
      EXPECT_NE(ui.windowLines.back().find(s.line), std::string::npos) << i;
      EXPECT_NE(ui.windowLines[0].find(s.also), std::string::npos) << i;
    }
  }
}

class Ipv6Watch : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    installUiRecorder();
    settings = Settings{};
    resetIpv6Watch();
    Sample6List = {entry6("fe80::1", "02-00-00-00-00-01"), entry6("2001:db8::77", ""),
                   entry6("fe80::5", "02-00-00-00-00-05")};
    copyField(Sample6List[0].hostName, "router");  // the third is learned: no name
    SampleList = {makeEntry()};
    copyField(SampleList[0].ipText, "192.0.2.*");
    LocalAdapterList.clear();
  }
};

}  // namespace

TEST_F(Ipv6Watch, RoutersAreToldOncePerAddressAndMacUnlessAFittingSampleNamesThem) {
  const Step steps[] = {
      {Frame, "fe80::1", H::RouterAdvert, 1, 1, true, "", ""},  // the sample's router
      {Frame, "fe80::1", H::RouterAdvert, 0x66, 0x66, true,
       "Чужой маршрутизатор IPv6! fe80::1 02-00-00-00-00-66 (образец fe80::1 02-00-00-00-00-01; "
       "префиксы 2001:db8:1::/64, 2001:db8:2::/56; время жизни 1800 с; DNS 2001:db8::53, fe80::53)",
       ""},
      {Frame, "fe80::1", H::RouterAdvert, 0x66, 0, false, "", ""},  // the same router and MAC
      {Frame, "fe80::5", H::RouterAdvert, 5, 5, false,
       "Чужой маршрутизатор IPv6! fe80::5 02-00-00-00-00-05 (время жизни 0 с)", ""},
      {Frame, "fe80::2", H::RouterAdvert, 0x22, 0x23, false,
       "Чужой маршрутизатор IPv6! fe80::2 02-00-00-00-00-23 (время жизни 0 с)",
       "Несовпадение MAC-адресов! fe80::2 02-00-00-00-00-23 (Ethernet 02-00-00-00-00-22, "
       "интерфейс 2)"},
      {Frame, "fe80::2", H::RouterAdvert, 0x22, 0, false,
       "Чужой маршрутизатор IPv6! fe80::2 02-00-00-00-00-22", ""},
      {RouteViaList, "fe80::3", H::RouterAdvert, 0, 0, false, "", ""},  // no MAC yet
      {RouteViaList, "fe80::3", H::RouterAdvert, 3, 0, false,
       "Чужой маршрутизатор IPv6! fe80::3 02-00-00-00-00-03 (маршрут по умолчанию, интерфейс 2)",
       ""},
      {Frame, "fe80::3", H::RouterAdvert, 3, 3, true, "", ""},  // told from the table already
      {RouteViaTable, "fe80::4", H::RouterAdvert, 4, 0, false,
       "Чужой маршрутизатор IPv6! fe80::4 02-00-00-00-00-04 (маршрут", ""},
      {RouteViaTable, "fe80::1", H::RouterAdvert, 1, 0, false, "", ""},
      // Heard neighbours are the check's: the advert's target option, else its Ethernet source.
      {Frame, "fe80::1", H::NeighbourAdvert, 0x65, 0x66, false,
       "Подмена адреса! fe80::1 02-00-00-00-00-66 (fe80::1 02-00-00-00-00-01)",
       "Несовпадение MAC-адресов! fe80::1 02-00-00-00-00-66 (Ethernet 02-00-00-00-00-65"},
      {Frame, "fe80::1", H::NeighbourAdvert, 0x67, 0, false,
       "Подмена адреса! fe80::1 02-00-00-00-00-67", ""},
      {Frame, "fe80::1", H::NeighbourSolicit, 0x68, 0, false, "", ""},  // no option: no MAC
  };
  runSteps(&steps[6], 1);
  EXPECT_TRUE(routerAwaitsMac6());
  runSteps(steps, std::size(steps));
  EXPECT_FALSE(routerAwaitsMac6());
  resetIpv6Watch();
  settings.WatchIpv6 = false;
  ui.windowLines.clear();
  run(steps[1]);
  EXPECT_TRUE(ui.windowLines.empty());
}

TEST_F(Ipv6Watch, DnsServersAgainstTheFirstReadAndDhcp6ServersAgainstTheSamples) {
  const DnsServerRow first{1, "LAN", "198.51.100.1"}, second{1, "LAN", "fe80::53"};
  const std::vector<DnsServerRow> reads[] = {
      {},               // no server yet: no baseline
      {first, second},  // the baseline
      {second, {3, "VPN", "2001:DB8:0::99"}},
      {{4, "Wi-Fi", "2001:db8::99"}, {4, "Wi-Fi", "fec0:0:0:ffff::1"}},  // no server set
      {{1, "LAN", "2001:db8::77"}, {1, "LAN", "192.0.2.53"}},            // samples name them
      {{1, "LAN", "203.0.113.5"}},
  };
  const char* lines[] = {"", "", "Новый DNS-сервер! 2001:db8::99 (адаптер VPN)",
                         "", "", "Новый DNS-сервер! 203.0.113.5 (адаптер LAN)"};
  for (std::size_t i = 0; i < std::size(reads); ++i) {
    fake.dnsServers = reads[i];
    const Step read{Servers, "::1", H::Dhcp6Server, 0, 0, false, lines[i], ""};
    runSteps(&read, 1);
  }
  const Step steps[] = {
      {Frame, "fe80::1", H::Dhcp6Server, 1, 0, true, "", ""},
      {Frame, "fe80::1", H::Dhcp6Server, 0x66, 0, true,
       "Чужой DHCPv6-сервер! fe80::1 02-00-00-00-00-66 (DNS 2001:db8::53, fe80::53)", ""},
      {Frame, "fe80::1", H::Dhcp6Server, 0x66, 0, false, "", ""},
      {Frame, "fe80::5", H::Dhcp6Server, 5, 0, false,
       "Чужой DHCPv6-сервер! fe80::5 02-00-00-00-00-05", ""},
  };
  runSteps(steps, std::size(steps));
  // A system that keeps no DNS servers is not asked again in the run: no baseline, no line.
  resetIpv6Watch();
  ui.windowLines.clear();
  fake.dnsServersError = 50;
  checkDnsServers();
  fake.dnsServersError = 0;
  checkDnsServers();
  fake.dnsServers = {{1, "LAN", "203.0.113.9"}};
  checkDnsServers();
  EXPECT_TRUE(ui.windowLines.empty());
}

TEST_F(Ipv6Watch, RouteListShowsDefaultRoutesFirstAndIsRefilledOnlyWhenARouteChanged) {
  Route6Row prefix, byDefault;
  readInto("2001:db8::", prefix.dest);
  readInto("fe80::1", byDefault.gateway);
  prefix.prefixLength = 64;
  prefix.lifetime = 0xffffffff;
  struct Read {
    std::uint32_t lifetime, metric;
    int refills;
  } reads[] = {{1800, 0, 1}, {1800, 0, 1}, {1795, 0, 1}, {1795, 9, 2}};  // the same, older, other
  for (const Read& r : reads) {
    byDefault.lifetime = r.lifetime;
    byDefault.metric = r.metric;
    fake.routes6 = {prefix, byDefault};
    checkRoutes6();
    EXPECT_EQ(ui.clears[ListId::Routes6], r.refills);
    const std::vector<std::vector<std::string>> want = {
        {"::/0", "fe80::1", "0", std::to_string(r.metric), std::to_string(r.lifetime)},
        {"2001:db8::/64", "", "0", "0", "бессрочно"}};
    EXPECT_EQ(ui.lists[ListId::Routes6], want) << r.lifetime << ' ' << r.metric;
  }
}
