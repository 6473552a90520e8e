// The neighbour table read, written and deleted through the backend and through the logic.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "arp/arp_table.h"
#include "base/address.h"
#include "lab_support.h"
#include "route/adapters.h"

namespace {

const std::uint8_t kMac50[6] = {0x02, 0xaa, 0, 0, 0, 0x50};
const std::uint8_t kMac60[6] = {0x02, 0xaa, 0, 0, 0, 0x60};

TEST(ArpLab, EmptyTableIsNoData) {
  flushNeighbours();
  std::uint32_t size = 0;
  EXPECT_EQ(platform::getIpNetTable(nullptr, &size, false), kErrorNoData);
}

TEST(ArpLab, PlantedEntriesComeBackWithEveryField) {
  flushNeighbours();
  ASSERT_EQ(sh("ip neigh add 10.77.1.50 lladdr 02:aa:00:00:00:50 dev lbh1 nud reachable"), 0);
  ASSERT_EQ(sh("ip neigh add 10.77.2.60 lladdr 02:aa:00:00:00:60 dev lbh2 nud permanent"), 0);
  ASSERT_EQ(sh("ip neigh add 10.77.1.40 lladdr 02:aa:00:00:00:40 dev lbh1 nud stale"), 0);
  ASSERT_EQ(sh("ip neigh add 10.77.1.30 lladdr 02:aa:00:00:00:30 dev lbh1 nud noarp"), 0);

  // The size query: too small a buffer is left alone and the size needed comes back.
  std::uint8_t small[4 + 24 * 3 + 8];
  std::memset(small, 0xee, sizeof small);
  std::uint32_t size = 4 + 24 * 3;
  ASSERT_EQ(platform::getIpNetTable(small, &size, false), kErrorInsufficientBuffer);
  EXPECT_EQ(size, 4u + 24u * 4u);
  for (std::uint8_t b : small) ASSERT_EQ(b, 0xee);

  std::uint32_t error = 0;
  std::vector<ArpRow> rows = readRows(false, error);
  ASSERT_EQ(error, 0u);
  ASSERT_EQ(rows.size(), 4u);
  const ArpRow* r = findRow(rows, "10.77.1.50", ifIndex(kIf1));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->physAddrLen, 6u);
  EXPECT_EQ(0, std::memcmp(r->physAddr, kMac50, 6));
  EXPECT_EQ(r->physAddr[6] | r->physAddr[7], 0);
  EXPECT_EQ(r->type, kArpTypeDynamic);
  r = findRow(rows, "10.77.2.60", ifIndex(kIf2));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(0, std::memcmp(r->physAddr, kMac60, 6));
  EXPECT_EQ(r->type, kArpTypeStatic);
  r = findRow(rows, "10.77.1.40", ifIndex(kIf1));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->type, kArpTypeDynamic);
  r = findRow(rows, "10.77.1.30", ifIndex(kIf1));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->type, kArpTypeOther);  // never aged, yet not one that anybody made static

  rows = readRows(true, error);
  ASSERT_EQ(error, 0u);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [](const ArpRow& a, const ArpRow& b) {
    return ntohl(a.addr) < ntohl(b.addr);
  }));
  EXPECT_EQ(rows.front().addr, ipn("10.77.1.30"));
  EXPECT_EQ(rows.back().addr, ipn("10.77.2.60"));
  flushNeighbours();
}

ArpRow row(const char* ifName, const char* ip, const std::uint8_t (&mac)[6], std::uint32_t type) {
  ArpRow r{};
  r.index = ifIndex(ifName);
  r.physAddrLen = 6;
  std::memcpy(r.physAddr, mac, 6);
  r.addr = ipn(ip);
  r.type = type;
  return r;
}

TEST(ArpLab, WritesAndDeletesOneRowWithTheKernelsErrors) {
  flushNeighbours();
  ASSERT_EQ(platform::setIpNetEntry(row(kIf1, "10.77.1.70", kMac50, kArpTypeStatic)), 0u);
  EXPECT_NE(capture("ip neigh show 10.77.1.70 dev lbh1")
                .find("10.77.1.70 lladdr 02:aa:00:00:00:50 PERMANENT"),
            std::string::npos);
  // A second write replaces the binding in place.
  ASSERT_EQ(platform::setIpNetEntry(row(kIf1, "10.77.1.70", kMac60, kArpTypeDynamic)), 0u);
  EXPECT_NE(capture("ip neigh show 10.77.1.70 dev lbh1").find("02:aa:00:00:00:60 REACHABLE"),
            std::string::npos);
  ASSERT_EQ(platform::deleteIpNetEntry(row(kIf1, "10.77.1.70", kMac60, kArpTypeDynamic)), 0u);
  EXPECT_EQ(capture("ip neigh show 10.77.1.70"), "");
  EXPECT_EQ(platform::deleteIpNetEntry(row(kIf1, "10.77.1.70", kMac60, kArpTypeDynamic)),
            static_cast<std::uint32_t>(ENOENT));

  ArpRow bad = row(kIf1, "10.77.1.71", kMac50, kArpTypeStatic);
  bad.index = 999999;
  EXPECT_EQ(platform::setIpNetEntry(bad), static_cast<std::uint32_t>(ENODEV));
  bad = row(kIf1, "10.77.1.71", kMac50, kArpTypeStatic);
  bad.physAddrLen = 0;
  EXPECT_EQ(platform::setIpNetEntry(bad), static_cast<std::uint32_t>(EINVAL));
  bad.physAddrLen = 4;  // shorter than the device's address
  EXPECT_EQ(platform::setIpNetEntry(bad), static_cast<std::uint32_t>(EINVAL));
  bad.physAddrLen = 200;
  EXPECT_EQ(platform::setIpNetEntry(bad), static_cast<std::uint32_t>(EINVAL));
  // Eight bytes for an Ethernet device: the kernel keeps six, and six come back.
  bad.physAddrLen = 8;
  bad.physAddr[6] = 0x77;
  ASSERT_EQ(platform::setIpNetEntry(bad), 0u);
  std::uint32_t error = 0;
  std::vector<ArpRow> rows = readRows(false, error);
  const ArpRow* r = findRow(rows, "10.77.1.71", ifIndex(kIf1));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->physAddrLen, 6u);
  EXPECT_EQ(r->physAddr[6], 0);
  flushNeighbours();
}

class LogicLab : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    LocalAdapterList.clear();
    LocalAddressList.clear();
    ASSERT_TRUE(discoverAdapters());
    ASSERT_TRUE(createArpSnapshot());
  }
};

TEST_F(LogicLab, AdaptersAreTheTwoLinksInKernelOrder) {
  ASSERT_EQ(LocalAdapterList.size(), 2u);
  EXPECT_STREQ(LocalAdapterList[0].name, kIf1);
  EXPECT_STREQ(LocalAdapterList[0].macText, "02-77-01-00-00-01");
  EXPECT_EQ(LocalAdapterList[1].index, static_cast<std::int32_t>(ifIndex(kIf2)));
  ASSERT_EQ(LocalAddressList.size(), 2u);
  EXPECT_EQ(LocalAddressList[0].address, parseIpv4("10.77.1.1"));
  EXPECT_EQ(LocalAddressList[0].mask, parseIpv4("255.255.255.0"));
  EXPECT_EQ(LocalAddressList[1].index, static_cast<std::int32_t>(ifIndex(kIf2)));
}

TEST_F(LogicLab, StaticEntryLandsOnTheSubnetsInterfaceElseTheFirst) {
  flushNeighbours();
  ASSERT_TRUE(setStaticArpEntry("10.77.2.77", "02-11-22-33-44-55"));
  EXPECT_NE(capture("ip neigh show 10.77.2.77")
                .find("10.77.2.77 dev lbh2 lladdr 02:11:22:33:44:55 PERMANENT"),
            std::string::npos);
  EXPECT_EQ(capture("ip neigh show 10.77.2.77 dev lbh1"), "");
  ASSERT_TRUE(setStaticArpEntry("192.0.2.9", "02-11-22-33-44-56"));
  EXPECT_NE(capture("ip neigh show 192.0.2.9")
                .find("192.0.2.9 dev lbh1 lladdr 02:11:22:33:44:56 PERMANENT"),
            std::string::npos);
  EXPECT_EQ(capture("ip neigh show 192.0.2.9 dev lbh2"), "");
  flushNeighbours();
}

TEST_F(LogicLab, DeleteRemovesTheAddressOnEveryInterface) {
  flushNeighbours();
  ASSERT_EQ(sh("ip neigh add 10.77.9.9 lladdr 02:00:00:00:09:09 dev lbh1 nud permanent"), 0);
  ASSERT_EQ(sh("ip neigh add 10.77.9.9 lladdr 02:00:00:00:09:09 dev lbh2 nud reachable"), 0);
  ASSERT_EQ(sh("ip neigh add 10.77.9.10 lladdr 02:00:00:00:09:10 dev lbh2 nud reachable"), 0);
  deleteArpEntry("10.77.9.9");
  EXPECT_EQ(capture("ip neigh show 10.77.9.9"), "");
  EXPECT_NE(capture("ip neigh show 10.77.9.10"), "");  // nothing else
  deleteArpEntry("10.77.9.9");                         // absent everywhere: no harm
  flushNeighbours();
}

TEST_F(LogicLab, ReadGrowsTheSnapshotToHoldTheTableAndRoom) {
  flushNeighbours();
  std::string batch;
  for (int i = 1; i <= 100; ++i)
    batch += "neigh add 10.77.1." + std::to_string(100 + i % 150) +
             " lladdr 02:00:00:00:01:" + std::to_string(10 + i % 80) + " dev lbh" +
             std::to_string(1 + i / 51) + " nud permanent\n";
  ASSERT_EQ(sh("printf '" + batch + "' | ip -batch -"), 0);
  ArpRead read = readArpTable(true);
  ASSERT_EQ(read.result, ArpReadResult::Success);
  EXPECT_EQ(arpRowCount(arpSnapshot), 100u);
  EXPECT_GE(arpSnapshot.bytes.size(), 4u + 24u * (100u + 64u));
  for (std::uint32_t i = 1; i < 100; ++i)
    EXPECT_LE(ntohl(arpRowAt(arpSnapshot, i - 1).addr), ntohl(arpRowAt(arpSnapshot, i).addr));
  flushNeighbours();
  EXPECT_EQ(readArpTable(false).result, ArpReadResult::NoData);
}

}  // namespace

namespace {

// Neighbours of a device whose link-layer address is not six bytes long. This kernel may
// lack every such device type; the test then says so instead of passing.
TEST(ArpLab, NonEthernetNeighbourKeepsItsOwnLength) {
  const char* kinds[] = {"ipip", "gre", "sit"};
  std::string made;
  for (const char* kind : kinds)
    if (sh(std::string("ip link add lbt0 type ") + kind +
           " local 10.77.1.1 remote 10.77.1.2 >/dev/null 2>&1") == 0) {
      made = kind;
      break;
    }
  if (made.empty()) GTEST_SKIP() << "no ipip, gre or sit device in this kernel";
  sh("ip link set lbt0 up");
  ASSERT_EQ(sh("ip neigh add 10.98.0.5 lladdr 10.1.2.3 dev lbt0 nud permanent"), 0) << made;
  std::uint32_t error = 0;
  std::vector<ArpRow> rows = readRows(false, error);
  const ArpRow* r = findRow(rows, "10.98.0.5", ifIndex("lbt0"));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->physAddrLen, 4u);
  EXPECT_EQ(r->physAddr[0], 10);
  EXPECT_EQ(r->physAddr[3], 3);
  EXPECT_EQ(r->physAddr[4] | r->physAddr[5], 0);
  sh("ip link del lbt0");
  flushNeighbours();
}

}  // namespace
