#include "arp/arp_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/address.h"
#include "fake/fake_platform.h"
#include "route/adapters.h"

namespace {

class ArpTable : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    freeArpSnapshot();
    LocalAdapterList.clear();
    LocalAddressList.clear();
  }
  void TearDown() override {
    LocalAdapterList.clear();
    LocalAddressList.clear();
  }

  static LocalAdapter adapter(std::int32_t index) {
    LocalAdapter a{};
    a.index = index;
    return a;
  }
};

}  // namespace

TEST_F(ArpTable, ReadResults) {
  // Without a buffer the read makes its own, so the 1540-byte offer is always backed.
  fake.arpRows = {fakeArpRow(4, "192.168.1.10", "00-11-22-33-44-55", kArpTypeStatic)};
  ArpRead r = readArpTable(true);
  EXPECT_EQ(r.result, ArpReadResult::Success);
  EXPECT_EQ(fake.arpSortedFlags, std::vector<bool>{true});
  ASSERT_EQ(arpRowCount(arpSnapshot), 1u);
  const ArpRow row = arpRowAt(arpSnapshot, 0);
  EXPECT_EQ(row.index, 4u);
  EXPECT_EQ(row.type, kArpTypeStatic);
  EXPECT_EQ(networkToHost(row.addr), parseIpv4("192.168.1.10"));

  fake.arpRows.clear();
  r = readArpTable(false);
  EXPECT_EQ(r.result, ArpReadResult::NoData);
  EXPECT_EQ(arpRowCount(arpSnapshot), 0u);

  fake.arpError = 1168;
  r = readArpTable(false);
  EXPECT_EQ(r.result, ArpReadResult::Failure);
  EXPECT_EQ(r.error, 1168u);
}

TEST_F(ArpTable, GrowthAskedTwiceFailsAndOversizeIsOutOfMemory) {
  ASSERT_TRUE(createArpSnapshot());
  fake.arpRows.assign(70, fakeArpRow(1, "10.0.0.1", "00-11-22-33-44-55"));
  // The platform asks for too little: one retry only, then its answer is the failure.
  fake.arpAskBytes = 100;
  ArpRead r = readArpTable(false);
  EXPECT_EQ(r.result, ArpReadResult::Failure);
  EXPECT_EQ(r.error, kErrorInsufficientBuffer);
  EXPECT_EQ(fake.arpCalls, 2);
  // The buffer kept the room it grew by; the next read offers it, then what was asked plus
  // 64 rows.
  fake.arpAskBytes = 0;
  fake.arpOfferedSizes.clear();
  r = readArpTable(false);
  EXPECT_EQ(r.result, ArpReadResult::Success);
  EXPECT_EQ(fake.arpOfferedSizes, (std::vector<std::uint32_t>{100 + 64 * 24, 4 + 134 * 24}));
  EXPECT_EQ(arpRowCount(arpSnapshot), 70u);

  fake.arpRows.resize(200);  // beyond the room
  fake.arpAskBytes = 0xffffffffu;
  EXPECT_EQ(readArpTable(false).result, ArpReadResult::OutOfMemory);
  EXPECT_TRUE(arpSnapshot.exists());
}

TEST_F(ArpTable, RowAccessNeverLeavesTheBuffer) {
  ASSERT_TRUE(createArpSnapshot());
  const std::uint32_t lie = 1000;  // more rows than 1540 bytes hold
  std::memcpy(arpSnapshot.bytes.data(), &lie, 4);
  EXPECT_EQ(arpRowCount(arpSnapshot), 64u);
  ArpRow row = fakeArpRow(9, "1.2.3.4", "aa-bb-cc-dd-ee-ff");
  setArpRowAt(arpSnapshot, 63, row);
  EXPECT_EQ(arpRowAt(arpSnapshot, 63).index, 9u);
  setArpRowAt(arpSnapshot, 64, row);  // ignored
  EXPECT_EQ(arpRowAt(arpSnapshot, 64).index, 0u);
  freeArpSnapshot();
  EXPECT_FALSE(arpSnapshot.exists());
  EXPECT_EQ(arpRowCount(arpSnapshot), 0u);
}

TEST_F(ArpTable, DeleteOnEveryAdapter) {
  LocalAdapterList = {adapter(3), adapter(8), adapter(3)};
  deleteArpEntry("10.0.0.9");
  ASSERT_EQ(fake.deletedEntries.size(), 3u);
  EXPECT_EQ(fake.deletedEntries[0].index, 3u);
  EXPECT_EQ(fake.deletedEntries[1].index, 8u);
  for (const ArpRow& r : fake.deletedEntries)
    EXPECT_EQ(networkToHost(r.addr), parseIpv4("10.0.0.9"));
}

TEST_F(ArpTable, StaticEntryGoesToTheSubnetsInterfaceElseTheFirstAddress) {
  LocalAddressList = {{3, parseIpv4("192.168.1.5"), parseIpv4("255.255.255.0")},
                      {0, parseIpv4("10.0.0.5"), parseIpv4("255.0.0.0")},
                      {7, parseIpv4("10.1.0.5"), parseIpv4("255.255.0.0")}};
  EXPECT_TRUE(setStaticArpEntry("192.168.1.77", "AA-bb-0C-dd-ee-FF"));
  ASSERT_EQ(fake.setEntries.size(), 1u);
  const ArpRow w = fake.setEntries[0];
  EXPECT_EQ(w.index, 3u);
  EXPECT_EQ(w.physAddrLen, 6u);
  EXPECT_EQ(w.type, kArpTypeStatic);
  const std::uint8_t mac[6] = {0xaa, 0xbb, 0x0c, 0xdd, 0xee, 0xff};
  EXPECT_EQ(0, std::memcmp(w.physAddr, mac, 6));

  // Outside every subnet: the first address's interface.
  fake.setEntries.clear();
  EXPECT_TRUE(setStaticArpEntry("172.16.0.1", "00-00-00-00-00-01"));
  ASSERT_EQ(fake.setEntries.size(), 1u);
  EXPECT_EQ(fake.setEntries[0].index, 3u);

  // The first subnet that holds it has interface 0: written there, then on the fallback.
  fake.setEntries.clear();
  EXPECT_TRUE(setStaticArpEntry("10.1.2.3", "00-00-00-00-00-02"));
  ASSERT_EQ(fake.setEntries.size(), 2u);
  EXPECT_EQ(fake.setEntries[0].index, 0u);
  EXPECT_EQ(fake.setEntries[1].index, 3u);

  // A refusal on the subnet's interface is the answer; no fallback.
  fake.setEntries.clear();
  fake.setEntryResult = 87;
  EXPECT_FALSE(setStaticArpEntry("192.168.1.1", "00-00-00-00-00-03"));
  EXPECT_EQ(fake.setEntries.size(), 1u);

  // Only a real pair reaches the table: never a pattern's leading bytes and zeroes, nor a
  // zero, broadcast or multicast MAC; any usual form of a real one does.
  fake.setEntryResult = 0;
  fake.setEntries.clear();
  for (const char* mac : {"0a-0b-*", "*", "00-00-00-00-00-00", "ff-ff-ff-ff-ff-ff",
                          "01-00-5e-00-00-16", "0a-0b-0c", "zz-zz-zz-zz-zz-zz"})
    EXPECT_FALSE(setStaticArpEntry("192.168.1.2", mac)) << mac;
  for (const char* ip : {"224.0.0.22", "255.255.255.255", "999.1.1.1"})
    EXPECT_FALSE(setStaticArpEntry(ip, "02-00-00-00-00-01")) << ip;
  EXPECT_TRUE(fake.setEntries.empty());
  EXPECT_TRUE(setStaticArpEntry("192.168.1.2", "0A0B.0C0D.0E0F"));
  const std::uint8_t read[6] = {0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f};
  EXPECT_EQ(0, std::memcmp(fake.setEntries[0].physAddr, read, 6));

  // Text that is no address, and 0.0.0.0, are failures, never a zero binding on some
  // interface (a garbage line in statics.dat, an empty dialog field).
  fake.setEntries.clear();
  for (const char* ip : {"", "0.0.0.0", "garbage", "192.168.1", "*", " 0 . 0.0.0"})
    EXPECT_FALSE(setStaticArpEntry(ip, "00-00-00-00-00-00")) << '"' << ip << '"';
  EXPECT_TRUE(fake.setEntries.empty());

  LocalAddressList.clear();
  EXPECT_FALSE(setStaticArpEntry("192.168.1.2", "0a-0b-0c-0d-0e-0f"));
}
