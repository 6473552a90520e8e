// A 10,000-row neighbour table, and reads while the table changes under them.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <thread>

#include "arp/arp_table.h"
#include "lab_support.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRows = 10000;

std::string bigAddress(int i) {
  return "10.78." + std::to_string(i / 250) + "." + std::to_string(1 + i % 250);
}

class BigTable : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    flushNeighbours();
    const std::string path = std::string(std::getenv("LAB_WORK_DIR")) + "/neigh.batch";
    std::ofstream batch(path);
    char mac[32];
    for (int i = 0; i < kRows; ++i) {
      std::snprintf(mac, sizeof mac, "02:78:00:00:%02x:%02x", i >> 8, i & 0xff);
      batch << "neigh add " << bigAddress(i) << " lladdr " << mac << " dev lbh1 nud permanent\n";
    }
    batch.close();
    ASSERT_EQ(sh("ip -batch " + path), 0);
  }
  static void TearDownTestSuite() { flushNeighbours(); }
};

TEST_F(BigTable, EveryRowReadWholeAndTimed) {
  std::uint32_t error = 0;
  auto start = Clock::now();
  std::vector<ArpRow> rows = readRows(false, error);
  const auto us =
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
  std::printf("10,000-row table: size query and read in %.1f ms\n", us / 1000.0);
  ASSERT_EQ(error, 0u);
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kRows));
  std::set<std::uint32_t> seen;
  for (const ArpRow& r : rows) {
    const std::uint32_t h = ntohl(r.addr);
    ASSERT_EQ(h >> 16, (10u << 8) | 78u);
    const int i = static_cast<int>(((h >> 8) & 0xff) * 250 + (h & 0xff) - 1);
    ASSERT_EQ(r.physAddrLen, 6u);
    ASSERT_EQ(r.physAddr[4], static_cast<std::uint8_t>(i >> 8));
    ASSERT_EQ(r.physAddr[5], static_cast<std::uint8_t>(i & 0xff));
    ASSERT_EQ(r.type, kArpTypeStatic);
    ASSERT_EQ(r.index, ifIndex(kIf1));
    seen.insert(r.addr);
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kRows));

  ASSERT_TRUE(createArpSnapshot());
  start = Clock::now();
  ASSERT_EQ(readArpTable(true).result, ArpReadResult::Success);
  std::printf(
      "10,000-row table through readArpTable(sorted): %.1f ms\n",
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count() / 1000.0);
  EXPECT_EQ(arpRowCount(arpSnapshot), static_cast<std::uint32_t>(kRows));
}

// The kernel walks the neighbour table without marking a dump that a change cuts through, so
// a plain dump under change misses or repeats rows. First the changes come in bursts with
// pauses between (reads must come back whole), then without a pause (whole or a clean
// failure).
TEST_F(BigTable, ReadsWhileTheTableChangesAreWholeOrCleanFailures) {
  std::atomic<bool> stop{false};
  std::atomic<int> changes{0};
  std::atomic<bool> continuous{false};
  // Joined on every way out of the test, a failed assertion included.
  struct Joiner {
    std::atomic<bool>& stop;
    std::thread thread;
    ~Joiner() {
      stop = true;
      if (thread.joinable()) thread.join();
    }
  } churn{stop, std::thread([&] {
            const auto start = Clock::now();
            ArpRow r{};
            r.index = ifIndex(kIf2);
            r.physAddrLen = 6;
            r.physAddr[0] = 0x02;
            r.type = kArpTypeStatic;
            for (int i = 0; !stop && Clock::now() < start + std::chrono::seconds(6) && i < 500000;
                 ++i) {
              r.addr = htonl((10u << 24) | (79u << 16) | static_cast<std::uint32_t>(i % 500));
              r.physAddr[5] = static_cast<std::uint8_t>(i);
              if (i % 1000 < 500)
                platform::setIpNetEntry(r);
              else
                platform::deleteIpNetEntry(r);
              ++changes;
              continuous = Clock::now() > start + std::chrono::seconds(3);
              if (!continuous && i % 50 == 49)
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
            }
            stop = true;
          })};
  int whole[2] = {}, failed[2] = {};
  for (int read = 0; read < 5000 && !stop; ++read) {
    const int phase = continuous ? 1 : 0;
    std::uint32_t error = 0;
    std::vector<ArpRow> rows = readRows(read % 2 == 0, error);
    if (error != 0) {
      EXPECT_TRUE(error == EAGAIN || error == EINTR || error == ENOBUFS ||
                  error == kErrorInsufficientBuffer)
          << error;
      EXPECT_TRUE(rows.empty());
      ++failed[phase];
      std::printf("read %d failed cleanly with %u\n", read, error);
      continue;
    }
    ++whole[phase];
    int big = 0;
    std::set<std::pair<std::uint32_t, std::uint32_t>> keys;
    for (const ArpRow& r : rows) {
      const std::uint32_t h = ntohl(r.addr);
      // A churned address may be caught mid-deletion, in the failed state the kernel gives it
      // just before it goes: no MAC then, which is what such a row shows.
      if ((h >> 16) == ((10u << 8) | 79u) && r.physAddrLen == 0) continue;
      ASSERT_EQ(r.physAddrLen, 6u);
      ASSERT_TRUE((h >> 16) == ((10u << 8) | 78u) || (h >> 16) == ((10u << 8) | 79u)) << h;
      ASSERT_EQ(r.physAddr[0], 0x02);
      ASSERT_TRUE(keys.insert({r.index, r.addr}).second) << "a row repeated";
      if ((h >> 16) == ((10u << 8) | 78u)) ++big;
    }
    EXPECT_EQ(big, kRows);  // the rows that did not change are all there
  }
  stop = true;
  churn.thread.join();
  std::printf(
      "reads under bursts of change: %d whole, %d clean failures; under constant change: %d "
      "whole, %d clean failures; %d changes in all\n",
      whole[0], failed[0], whole[1], failed[1], changes.load());
  EXPECT_GT(whole[0], 0);
  EXPECT_GT(changes.load(), 1000);
}

}  // namespace
