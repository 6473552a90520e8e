// The IPv6 watch's routers, DNS and DHCPv6 servers: what is told, once, and what a sample
// silences.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "base/address.h"
#include "base/address6.h"
#include "base/text_field.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "ipv6/samples6.h"
#include "ipv6/watch6.h"
#include "route/adapters.h"
#include "settings/settings.h"

namespace {

void readInto(const char* text, std::uint8_t (&bytes)[16]) {
  Ipv6Address a{};
  EXPECT_TRUE(readIpv6Text(text, a)) << text;
  std::memcpy(bytes, a.bytes, 16);
}

Address6Entry sample6(const char* ip, const char* mac) {
  Address6Entry e = makeEntry6();
  copyField(e.ipText, ip);
  copyField(e.macText, mac);
  return e;
}

// A frame from ip; mac's last byte names the sender, link its link-layer option (0: none).
platform::HeardIpv6 heard(platform::HeardIpv6::Kind kind, const char* ip, std::uint8_t ether,
                          std::uint8_t link = 0) {
  platform::HeardIpv6 f{};
  f.kind = kind;
  readInto(ip, f.source);
  const std::uint8_t mac[6] = {2, 0, 0, 0, 0, ether};
  std::memcpy(f.etherSource, mac, 6);
  f.hasLinkAddress = link != 0;
  std::memcpy(f.linkAddress, mac, 6);
  f.linkAddress[5] = link;
  f.ifIndex = 2;
  return f;
}

struct Step {
  std::function<void()> act;
  const char* line;            // what the last line holds; "": no line
  const char* also = nullptr;  // a line before it
};

void runSteps(const Step* steps, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    ui.windowLines.clear();
    steps[i].act();
    const Step& s = steps[i];
    ASSERT_EQ(ui.windowLines.size(), *s.line ? (s.also ? 2u : 1u) : 0u) << "step " << i;
    if (*s.line) {
      EXPECT_NE(ui.windowLines.back().find(s.line), std::string::npos) << i;
    }
    if (s.also) {
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
    Sample6List = {sample6("fe80::1", "02-00-00-00-00-01"), sample6("2001:db8::77", "")};
    Neighbour6List.clear();
    LocalAdapterList.clear();
  }
};

}  // namespace

TEST_F(Ipv6Watch, RoutersAreToldOncePerAddressAndMacUnlessAFittingSampleNamesThem) {
  using H = platform::HeardIpv6;
  const auto advert = [](const char* ip, std::uint8_t ether, std::uint8_t link, bool parts) {
    return [=] {
      H f = heard(H::RouterAdvert, ip, ether, link);
      f.routerLifetime = parts ? 1800 : 0;
      f.prefixCount = parts ? 2 : 0;
      readInto("2001:db8:1::", f.prefixes[0].bytes);
      f.prefixes[0].length = 64;
      readInto("2001:db8:2::", f.prefixes[1].bytes);
      f.prefixes[1].length = 56;
      f.dnsCount = parts ? 1 : 0;
      readInto("2001:db8::53", f.dns[0]);
      decideHeardIpv6(f, 0);
    };
  };
  const auto defaultVia = [](const char* gateway) {
    return [=] {
      Route6Row r;
      readInto(gateway, r.gateway);
      r.ifIndex = 2;
      fake.routes6 = {r};
      checkRoutes6();
    };
  };
  const auto neighbour = [](const char* ip, const char* mac, bool inList) {
    if (!inList) return fake.neighbours6.push_back(fakeNeighbour6(2, ip, mac));
    Address6Entry e = sample6(ip, mac);
    e.ifIndex = 2;
    Neighbour6List.push_back(e);
  };
  const Step steps[] = {
      {advert("fe80::1", 1, 1, true), ""},  // the sample's router
      {advert("fe80::1", 0x66, 0x66, true),
       "Чужой маршрутизатор IPv6! fe80::1 02-00-00-00-00-66 (образец fe80::1 02-00-00-00-00-01; "
       "префиксы 2001:db8:1::/64, 2001:db8:2::/56; время жизни 1800 с; DNS 2001:db8::53)"},
      {advert("fe80::1", 0x66, 0, false), ""},  // the Ethernet source: the same router
      {advert("fe80::2", 0x22, 0x23, false),
       "Чужой маршрутизатор IPv6! fe80::2 02-00-00-00-00-23 (время жизни 0 с)",
       "Несовпадение MAC-адресов! fe80::2 02-00-00-00-00-23 (Ethernet 02-00-00-00-00-22, "
       "интерфейс 2)"},
      {advert("fe80::2", 0x22, 0, false), "Чужой маршрутизатор IPv6! fe80::2 02-00-00-00-00-22"},
      {defaultVia("fe80::3"), ""},  // no MAC yet
      {[&] {
         neighbour("fe80::3", "02-00-00-00-00-03", true);
         defaultVia("fe80::3")();
       },
       "Чужой маршрутизатор IPv6! fe80::3 02-00-00-00-00-03 (маршрут по умолчанию, интерфейс 2)"},
      {advert("fe80::3", 3, 3, true), ""},  // told from the table already
      {[&] {
         neighbour("fe80::4", "02-00-00-00-00-04", false);
         defaultVia("fe80::4")();
       },
       "Чужой маршрутизатор IPv6! fe80::4 02-00-00-00-00-04 (маршрут"},
      {[&] {
         neighbour("fe80::1", "02-00-00-00-00-01", false);
         defaultVia("fe80::1")();
       },
       ""},
      {[&] {
         settings.WatchIpv6 = false;
         advert("fe80::5", 5, 5, true)();
       },
       ""},
  };
  runSteps(steps, std::size(steps));
}

TEST_F(Ipv6Watch, DnsServersAgainstTheFirstReadAndDhcp6ServersAgainstTheSamples) {
  using H = platform::HeardIpv6;
  const auto servers = [](std::vector<DnsServerRow> rows) {
    return [=] {
      fake.dnsServers = rows;
      checkDnsServers();
    };
  };
  const auto dhcp = [](const char* ip, std::uint8_t ether, std::uint8_t dns) {
    return [=] {
      H f = heard(H::Dhcp6Server, ip, ether);
      f.dnsCount = dns;
      readInto("2001:db8::53", f.dns[0]);
      readInto("fe80::53", f.dns[1]);
      decideHeardIpv6(f, 0);
    };
  };
  SampleList = {makeEntry()};
  copyField(SampleList[0].ipText, "192.0.2.*");
  const DnsServerRow first{1, "LAN", "198.51.100.1"}, second{1, "LAN", "fe80::53"};
  const Step steps[] = {
      {servers({first, second}), ""},  // the first read is the baseline
      {servers({second, {3, "VPN", "2001:DB8:0::99"}}),
       "Новый DNS-сервер! 2001:db8::99 (адаптер VPN)"},
      {servers({{4, "Wi-Fi", "2001:db8::99"}}), ""},
      {servers({{1, "LAN", "2001:db8::77"}, {1, "LAN", "192.0.2.53"}}), ""},  // samples name them
      {servers({{1, "LAN", "203.0.113.5"}}), "Новый DNS-сервер! 203.0.113.5 (адаптер LAN)"},
      {dhcp("fe80::1", 1, 2), ""},
      {dhcp("fe80::1", 0x66, 2),
       "Чужой DHCPv6-сервер! fe80::1 02-00-00-00-00-66 (DNS 2001:db8::53, fe80::53)"},
      {dhcp("fe80::1", 0x66, 0), ""},
      {dhcp("fe80::5", 5, 0), "Чужой DHCPv6-сервер! fe80::5 02-00-00-00-00-05"},
      {[&] {
         resetIpv6Watch();
         fake.dnsServersError = 50;
         servers({first})();
       },
       ""},
      {[&] {  // off for the run: no baseline, no line
         fake.dnsServersError = 0;
         servers({first})();
         servers({{1, "LAN", "203.0.113.9"}})();
       },
       ""},
  };
  runSteps(steps, std::size(steps));
}
