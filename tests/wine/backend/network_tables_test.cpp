// IP Helper against the tables of the network namespace that backend.sh builds:
//   wb0  MAC 02:77:00:00:00:01, 10.201.0.1/24 and 10.202.0.1/16
//   wb1  its veth peer, up, no IPv4 address
//   permanent neighbours on wb0: 10.201.0.2 = 02:00:5e:00:00:02 and
//     10.201.0.100 .. 10.201.0.179 = 02:00:5e:00:01:00 .. 02:00:5e:00:01:4f (more than 64 rows)
//   a reachable neighbour 10.201.0.3 = 02:00:5e:00:00:03
//   a route 10.203.0.0/16 via 10.201.0.2
//   IPv6: 2001:db8:201::1/64 on wb0, the neighbours and default route named below, and a
//     resolver file naming 10.201.0.53 and 2001:db8:201::53
// Wine answers some IP Helper calls without doing them; those tests say "WineStub".
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <utility>

#include "arp/arp_table.h"
#include "base/address.h"
#include "base/address6.h"
#include "platform/adapter_platform.h"
#include "platform/arp_platform.h"
#include "platform/neighbour6_platform.h"
#include "platform/probe_platform.h"
#include "platform/route_platform.h"
#include "platform/system_platform.h"
#include "route/adapters.h"
#include "route/route_table.h"
#include "scan/probe.h"
#include "test_support.h"

namespace {

constexpr int kBulkNeighbours = 80;

std::uint32_t ip(const char* text) { return hostToNetwork(parseIpv4(text)); }

std::string macOf(const ArpRow& row) {
  char text[20];
  formatMac(row.physAddr, text);
  return text;
}

// The planted permanent neighbours: address -> MAC text.
std::map<std::uint32_t, std::string> plantedStatic() {
  std::map<std::uint32_t, std::string> planted{{ip("10.201.0.2"), "02-00-5e-00-00-02"}};
  for (int i = 0; i < kBulkNeighbours; ++i) {
    char address[20], mac[20];
    std::snprintf(address, sizeof address, "10.201.0.%d", 100 + i);
    std::snprintf(mac, sizeof mac, "02-00-5e-00-01-%02x", i);
    planted[ip(address)] = mac;
  }
  return planted;
}

const PlatformAdapter* findAdapter(const std::vector<PlatformAdapter>& adapters,
                                   const std::uint8_t (&mac)[6]) {
  for (const PlatformAdapter& a : adapters)
    if (a.macLength == 6 && std::memcmp(a.mac, mac, 6) == 0) return &a;
  return nullptr;
}

const std::uint8_t kWb0Mac[6] = {0x02, 0x77, 0, 0, 0, 1};

class Lab : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(insideLab()) << "run through tests/wine/backend.sh (needs its namespace)";
    ASSERT_EQ(platform::getAdapters(adapters), 0u);
    wb0 = findAdapter(adapters, kWb0Mac);
    ASSERT_NE(wb0, nullptr);
  }
  std::vector<PlatformAdapter> adapters;
  const PlatformAdapter* wb0 = nullptr;
};

std::vector<ArpRow> snapshotRows() {
  std::vector<ArpRow> rows;
  for (std::uint32_t i = 0; i < arpRowCount(arpSnapshot); ++i)
    rows.push_back(arpRowAt(arpSnapshot, i));
  return rows;
}

const ArpRow* findRow(const std::vector<ArpRow>& rows, std::uint32_t address) {
  for (const ArpRow& r : rows)
    if (r.addr == address) return &r;
  return nullptr;
}

}  // namespace

TEST_F(Lab, AdaptersListEveryAddressAndKeepTheEmptyOne) {
  ASSERT_EQ(wb0->addresses.size(), 2u);
  EXPECT_EQ(wb0->addresses[0].address, "10.201.0.1");
  EXPECT_EQ(wb0->addresses[0].mask, "255.255.255.0");
  EXPECT_EQ(wb0->addresses[1].address, "10.202.0.1");
  EXPECT_EQ(wb0->addresses[1].mask, "255.255.0.0");
  EXPECT_FALSE(wb0->name.empty());

  // wb1 has no IPv4 address: listed with 0.0.0.0, which the logic records as 0.
  const PlatformAdapter* wb1 = nullptr;
  for (const PlatformAdapter& a : adapters)
    if (a.description == "wb1") wb1 = &a;
  ASSERT_NE(wb1, nullptr);
  ASSERT_EQ(wb1->addresses.size(), 1u);
  EXPECT_EQ(wb1->addresses[0].address, "0.0.0.0");

  // As on Windows, the loopback interface is no adapter.
  for (const PlatformAdapter& a : adapters)
    for (const PlatformAdapter::Address& address : a.addresses)
      EXPECT_NE(address.address, "127.0.0.1") << a.description;

  ASSERT_TRUE(discoverAdapters());
  int wb0Records = 0;
  for (const LocalAddress& a : LocalAddressList) {
    if (a.index != wb0->index) continue;
    ++wb0Records;
    EXPECT_TRUE(a.address == 0x0AC90001u || a.address == 0x0ACA0001u);
  }
  EXPECT_EQ(wb0Records, 2);
}

TEST_F(Lab, ArpTableReadsThePlantedNeighboursThroughTheRetry) {
  ASSERT_TRUE(createArpSnapshot());
  const ArpRead read = readArpTable(false);
  ASSERT_EQ(read.result, ArpReadResult::Success) << read.error;
  const std::vector<ArpRow> rows = snapshotRows();
  ASSERT_GT(rows.size(), 64u);  // more than the first offer of 1540 bytes holds
  // What Wine asked for and room for rows that join before the next read.
  EXPECT_GE(arpSnapshot.bytes.size(), 4 + 24 * rows.size() + 64 * 24);

  for (const auto& [address, mac] : plantedStatic()) {
    const ArpRow* r = findRow(rows, address);
    ASSERT_NE(r, nullptr) << mac;
    EXPECT_EQ(macOf(*r), mac);
    EXPECT_EQ(r->physAddrLen, 6u);
    EXPECT_EQ(r->type, kArpTypeStatic);
    EXPECT_EQ(r->index, static_cast<std::uint32_t>(wb0->index));
  }
  const ArpRow* reachable = findRow(rows, ip("10.201.0.3"));
  ASSERT_NE(reachable, nullptr);
  EXPECT_EQ(macOf(*reachable), "02-00-5e-00-00-03");
  EXPECT_NE(reachable->type, kArpTypeStatic);

  // Everything else that Wine lists is a multicast or broadcast row without a MAC.
  const auto planted = plantedStatic();
  for (const ArpRow& r : rows) {
    if (planted.count(r.addr) || r.addr == ip("10.201.0.3")) continue;
    char text[20];
    formatIpv4(r.addr, text);
    EXPECT_EQ(macOf(r), "00-00-00-00-00-00") << text;
    EXPECT_EQ(r.type, kArpTypeStatic) << text;
  }
  freeArpSnapshot();
}

TEST_F(Lab, ArpTableSortedOnRequest) {
  ASSERT_TRUE(createArpSnapshot());
  ASSERT_EQ(readArpTable(true).result, ArpReadResult::Success);
  const std::vector<ArpRow> rows = snapshotRows();
  ASSERT_GT(rows.size(), 64u);
  // Wine, like Windows, orders by interface first and by address within one.
  auto key = [](const ArpRow& r) { return std::make_pair(r.index, networkToHost(r.addr)); };
  for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_LE(key(rows[i - 1]), key(rows[i])) << i;
  freeArpSnapshot();
}

TEST_F(Lab, WineStub_SetAndDeleteIpNetEntryAnswerSuccessWithoutChange) {
  ASSERT_TRUE(discoverAdapters());
  ArpRow row{};
  row.index = static_cast<std::uint32_t>(wb0->index);
  row.physAddrLen = 6;
  const std::uint8_t mac[6] = {0x02, 0x00, 0x5e, 0x00, 0x00, 0x50};
  std::memcpy(row.physAddr, mac, 6);
  row.addr = ip("10.201.0.50");
  row.type = kArpTypeStatic;
  EXPECT_EQ(platform::setIpNetEntry(row), 0u);
  // ... so the program reports a static entry written that is not there.
  EXPECT_TRUE(setStaticArpEntry("10.201.0.50", "02-00-5e-00-00-50"));

  row.addr = ip("10.201.0.2");
  EXPECT_EQ(platform::deleteIpNetEntry(row), 0u);
  deleteArpEntry("10.201.0.2");

  ASSERT_TRUE(createArpSnapshot());
  ASSERT_EQ(readArpTable(false).result, ArpReadResult::Success);
  const std::vector<ArpRow> rows = snapshotRows();
  EXPECT_EQ(findRow(rows, ip("10.201.0.50")), nullptr);
  EXPECT_NE(findRow(rows, ip("10.201.0.2")), nullptr);
  freeArpSnapshot();
}

TEST_F(Lab, WineStub_SendArpAnswersNotSupported) {
  std::uint8_t mac[8];
  std::memset(mac, 0xFF, sizeof mac);
  std::uint32_t length = 6;
  EXPECT_EQ(platform::sendArp(ip("10.201.0.2"), mac, length), kErrorNotSupported);
  // The probe then finds nothing and leaves the text alone.
  char text[20] = "untouched";
  EXPECT_FALSE(probeMac(ip("10.201.0.2"), text));
  EXPECT_STREQ(text, "untouched");
}

TEST_F(Lab, RouteAndAddressTables) {
  std::vector<RouteRow> routes;
  ASSERT_EQ(platform::getIpForwardTable(routes), 0u);
  const RouteRow* viaGateway = nullptr;
  const RouteRow* direct = nullptr;
  for (const RouteRow& r : routes) {
    if (r.dest == ip("10.203.0.0")) viaGateway = &r;
    if (r.dest == ip("10.201.0.0")) direct = &r;
  }
  ASSERT_NE(viaGateway, nullptr);
  EXPECT_EQ(viaGateway->mask, ip("255.255.0.0"));
  EXPECT_EQ(viaGateway->nextHop, ip("10.201.0.2"));
  EXPECT_EQ(viaGateway->ifIndex, static_cast<std::uint32_t>(wb0->index));
  ASSERT_NE(direct, nullptr);
  EXPECT_EQ(direct->mask, ip("255.255.255.0"));
  EXPECT_EQ(direct->ifIndex, static_cast<std::uint32_t>(wb0->index));

  std::vector<IpAddrRow> addresses;
  ASSERT_EQ(platform::getIpAddrTable(addresses), 0u);
  int onWb0 = 0;
  bool loopback = false;
  for (const IpAddrRow& a : addresses) {
    if (a.addr == ip("10.201.0.1") || a.addr == ip("10.202.0.1")) {
      EXPECT_EQ(a.index, static_cast<std::uint32_t>(wb0->index));
      ++onWb0;
    }
    loopback = loopback || a.addr == ip("127.0.0.1");
  }
  EXPECT_EQ(onWb0, 2);
  EXPECT_TRUE(loopback);
}

TEST_F(Lab, WineStub_DeleteIpForwardEntryAnswersSuccessWithoutChange) {
  const auto isGatewayRoute = [](const RouteRow& r) { return r.dest == ip("10.203.0.0"); };
  ASSERT_EQ(platform::getIpForwardTable(RouteRows), 0u);
  const auto it = std::find_if(RouteRows.begin(), RouteRows.end(), isGatewayRoute);
  ASSERT_NE(it, RouteRows.end());
  EXPECT_EQ(platform::deleteIpForwardEntry(*it), 0u);
  // The program shows no error and marks the coming refresh as its own ...
  OwnRouteChange = false;
  EXPECT_TRUE(deleteRoute(static_cast<int>(it - RouteRows.begin())));
  EXPECT_TRUE(OwnRouteChange);
  // ... but the route is still there.
  std::vector<RouteRow> after;
  ASSERT_EQ(platform::getIpForwardTable(after), 0u);
  EXPECT_NE(std::find_if(after.begin(), after.end(), isGatewayRoute), after.end());
  RouteRows.clear();
}

TEST_F(Lab, WineStub_NotifyRouteChangeAnswersNotSupportedAndTheWatchEnds) {
  EXPECT_EQ(platform::notifyRouteChange(), kErrorNotSupported);
  EXPECT_NE(platform::lastErrorCode(), kErrorIoPending);  // so the watch does not wait on
  static std::atomic<int> posts{0};
  auto watch = std::async(std::launch::async, [] { routeWatch([](std::uint32_t) { ++posts; }); });
  ASSERT_EQ(watch.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(posts.load(), 0);
}

// The command is the system folder's route.exe, whatever lies beside the program: a cmd.exe
// planted there as route.exe runs the line's "/c ..." and is waited for.
TEST_F(Lab, AddRouteRunsTheSystemsRouteCommandAndWaitsForIt) {
  ScratchDirectory dir;
  char system[MAX_PATH], self[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  const std::string cmd = std::string(system) + "\\cmd.exe";
  const std::string route = std::string(system) + "\\route.exe";
  std::string beside = self;
  beside = beside.substr(0, beside.find_last_of('\\') + 1) + "route.exe";
  const std::string marker = dir.file("done.txt");
  const std::string line = "route /c ping -n 2 127.0.0.1 >nul & echo done> \"" + marker + "\"";
  RouteAddRequest request{"", "", "", "", line.c_str()};
  ASSERT_TRUE(CopyFileA(cmd.c_str(), beside.c_str(), FALSE));
  EXPECT_FALSE(platform::addRoute(request));  // not from beside the program
  EXPECT_FALSE(fileExists(marker));
  DeleteFileA(beside.c_str());
  ASSERT_TRUE(CopyFileA(cmd.c_str(), route.c_str(), FALSE));
  EXPECT_TRUE(platform::addRoute(request));
  EXPECT_TRUE(fileExists(marker));                // written before the command ended
  const std::string failing = "route /c exit 5";  // the exit code is not looked at
  request.commandLine = failing.c_str();
  EXPECT_TRUE(platform::addRoute(request));
  DeleteFileA(route.c_str());
  EXPECT_FALSE(platform::addRoute(request));
}

// Wine 8 has no route.exe: the route command cannot start, and the route dialog says so.
TEST_F(Lab, WineGap_RouteCommandCannotStart) {
  EXPECT_EQ(addRouteFromFields("10.204.0.0", "255.255.0.0", "10.201.0.2", ""),
            RouteAddResult::CannotStart);
}

TEST_F(Lab, ReverseLookupOfAnUnnamedAddressFindsNothing) {
  ASSERT_TRUE(platform::startSockets());
  std::string name;
  EXPECT_FALSE(platform::getHostByAddr(ip("10.201.0.77"), name));
  char text[64] = "";
  EXPECT_FALSE(probeName(ip("10.201.0.77"), text, sizeof text));
  platform::stopSockets();
}

namespace {

std::string text6(const std::uint8_t (&bytes)[16]) {
  Ipv6Address a;
  std::memcpy(a.bytes, bytes, 16);
  return formatIpv6(a);
}

}  // namespace

TEST_F(Lab, Ipv6AddressesAndDnsServersAreRead) {
  std::vector<Address6Row> addresses;
  ASSERT_EQ(platform::getAddresses6(addresses), 0u);
  std::map<std::string, Address6Row> byText;
  for (const Address6Row& a : addresses) byText[text6(a.addr)] = a;
  ASSERT_TRUE(byText.count("2001:db8:201::1"));
  EXPECT_EQ(byText["2001:db8:201::1"].ifIndex, static_cast<std::uint32_t>(wb0->index));
  EXPECT_EQ(byText["2001:db8:201::1"].prefixLength, 64u);
  EXPECT_TRUE(byText.count("::1"));

  // Wine gives every adapter the resolver file's servers, IPv4 and IPv6, without a zone.
  std::vector<DnsServerRow> servers;
  ASSERT_EQ(platform::getDnsServers(servers), 0u);
  std::vector<std::string> onWb0;
  for (const DnsServerRow& s : servers)
    if (s.adapter == "wb0") {
      EXPECT_EQ(s.ifIndex, static_cast<std::uint32_t>(wb0->index));
      onWb0.push_back(s.address);
    }
  EXPECT_EQ(onWb0, (std::vector<std::string>{"10.201.0.53", "2001:db8:201::53"}));
}

// The namespace holds a permanent router neighbour 2001:db8:201::2, a reachable fe80::3 and a
// default route via fe80::2: Wine 8 shows none of them and cannot watch or write the tables.
TEST_F(Lab, WineStub_Ipv6NeighboursRoutesWritesAndWatch) {
  std::vector<Neighbour6Row> neighbours(1);
  EXPECT_EQ(platform::getNeighbours6(neighbours), kErrorNotSupported);
  EXPECT_EQ(neighbours.size(), 1u);  // left as it was

  std::vector<Route6Row> routes(1);
  EXPECT_EQ(platform::getRoutes6(routes), 0u);
  EXPECT_TRUE(routes.empty());

  Neighbour6Row row;
  row.ifIndex = static_cast<std::uint32_t>(wb0->index);
  ASSERT_TRUE(readIpv6Text("2001:db8:201::9", *reinterpret_cast<Ipv6Address*>(row.addr)));
  row.macLength = 6;
  std::memcpy(row.mac, kWb0Mac, 6);
  EXPECT_EQ(platform::setNeighbour6(row), kErrorNotSupported);  // and the process lives on

  auto watch = std::async(std::launch::async, [] { return platform::notifyRoute6Change(); });
  ASSERT_EQ(watch.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(watch.get(), kErrorNotSupported);
}
