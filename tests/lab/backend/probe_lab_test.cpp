// ARP probes of live, absent and own addresses, and reverse names from the namespace's hosts.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "lab_support.h"
#include "platform/probe_platform.h"
#include "scan/probe.h"

namespace {

using Clock = std::chrono::steady_clock;

long msSince(Clock::time_point start) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST(ProbeLab, LivePeersAnswerWithTheirMac) {
  char mac[20] = {};
  auto start = Clock::now();
  ASSERT_TRUE(probeMac(ipn("10.77.1.2"), mac));
  std::printf("probe of a live peer: %ld ms\n", msSince(start));
  EXPECT_STREQ(mac, "02-77-01-00-00-02");
  start = Clock::now();
  ASSERT_TRUE(probeMac(ipn("10.77.2.2"), mac));
  std::printf("probe of the other live peer: %ld ms\n", msSince(start));
  EXPECT_STREQ(mac, "02-77-02-00-00-02");
  ASSERT_TRUE(probeMac(ipn("10.77.2.1"), mac));  // our own address: our own MAC
  EXPECT_STREQ(mac, "02-77-02-00-00-01");

  std::uint8_t raw[8];
  std::memset(raw, 0xff, sizeof raw);
  std::uint32_t length = 0;
  ASSERT_EQ(platform::sendArp(ipn("10.77.1.2"), raw, length), 0u);
  EXPECT_EQ(length, 6u);
  EXPECT_EQ(raw[6], 0xff);  // bytes past the MAC untouched
  EXPECT_EQ(raw[7], 0xff);
}

TEST(ProbeLab, AbsentAndForeignAddressesFailInTime) {
  char mac[20] = "unchanged";
  auto start = Clock::now();
  EXPECT_FALSE(probeMac(ipn("10.77.1.99"), mac));
  const long absentMs = msSince(start);
  std::printf("probe of an absent address: %ld ms (waits of 100, 150, 250 ms)\n", absentMs);
  EXPECT_GE(absentMs, 480);
  EXPECT_LE(absentMs, 2000);
  EXPECT_STREQ(mac, "unchanged");

  std::uint8_t raw[8] = {};
  std::uint32_t length = 0;
  start = Clock::now();
  EXPECT_EQ(platform::sendArp(ipn("192.0.2.1"), raw, length),
            static_cast<std::uint32_t>(ENETUNREACH));
  EXPECT_LT(msSince(start), 500);
  EXPECT_EQ(platform::sendArp(ipn("127.0.0.5"), raw, length),
            static_cast<std::uint32_t>(EOPNOTSUPP));
}

// A reply that came while no probe waited (one to our address and MAC, as an answer would
// be) is no answer to the next single probe: only one after its own request counts.
TEST(ProbeLab, AReplyQueuedBeforeTheRequestIsNoAnswer) {
  char mac[20] = {};
  ASSERT_TRUE(probeMac(ipn("10.77.1.2"), mac));  // this thread's socket now hears lbh1
  const char* peer = std::getenv("LAB_PEER1_NS");
  ASSERT_NE(peer, nullptr);
  ASSERT_EQ(sh(std::string("ip netns exec ") + peer + " /usr/bin/python3 -c \"" +
               "import socket, struct; s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW); "
               "s.bind(('lbp1', 0)); us = bytes.fromhex('027701000001'); "
               "it = bytes.fromhex('026600000099'); s.send(us + it + b'\\x08\\x06' + "
               "struct.pack('!HHBBH', 1, 0x800, 6, 4, 2) + it + socket.inet_aton('10.77.1.99') + "
               "us + socket.inet_aton('10.77.1.1'))\""),
            0);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::strcpy(mac, "unchanged");
  EXPECT_FALSE(probeMac(ipn("10.77.1.99"), mac));
  EXPECT_STREQ(mac, "unchanged");
}

TEST(ProbeLab, ConcurrentProbesEachGetTheirOwnAnswer) {
  std::atomic<int> right{0}, wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 3; ++i) {
        const bool first = (t + i) % 2 == 0;
        char mac[20] = {};
        if (probeMac(ipn(first ? "10.77.1.2" : "10.77.2.2"), mac) &&
            std::string(mac) == (first ? "02-77-01-00-00-02" : "02-77-02-00-00-02"))
          ++right;
        else
          ++wrong;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(right.load(), 24);
  EXPECT_EQ(wrong.load(), 0);
}

// A sweep over both peers' subnets: 16 probing threads get every live address's MAC and fail
// the dead ones together, in about one wait schedule rather than one per dead address.
TEST(ProbeLab, SweepSettlesARangeForConcurrentProbes) {
  std::vector<std::uint32_t> range;
  for (int i = 0; i < 40; ++i) {
    char text[20];
    std::snprintf(text, sizeof text, "10.77.%d.%d", i % 2 + 1, i / 2 + 1);
    range.push_back(ipn(text));
  }
  range.push_back(ipn("192.0.2.1"));  // no subnet holds it: left to the single probe
  const auto start = Clock::now();
  platform::beginArpSweep(range);
  std::atomic<std::size_t> next{0};
  std::vector<std::string> macs(range.size());
  std::vector<std::thread> threads;
  for (int t = 0; t < 16; ++t)
    threads.emplace_back([&] {
      for (std::size_t i; (i = next++) < range.size();) {
        char mac[20] = {};
        if (probeMac(range[i], mac)) macs[i] = mac;
      }
    });
  for (auto& t : threads) t.join();
  const long ms = msSince(start);
  platform::endArpSweep();
  std::printf("sweep of 41 addresses (2 live, 2 own, 36 dead, 1 foreign) with 16 threads: %ld ms\n",
              ms);
  std::map<std::uint32_t, std::string> found;
  for (std::size_t i = 0; i < range.size(); ++i)
    if (!macs[i].empty()) found[range[i]] = macs[i];
  EXPECT_EQ(found, (std::map<std::uint32_t, std::string>{{ipn("10.77.1.1"), "02-77-01-00-00-01"},
                                                         {ipn("10.77.1.2"), "02-77-01-00-00-02"},
                                                         {ipn("10.77.2.1"), "02-77-02-00-00-01"},
                                                         {ipn("10.77.2.2"), "02-77-02-00-00-02"}}));
  EXPECT_GE(ms, 480);   // the dead addresses waited their whole schedule
  EXPECT_LE(ms, 1200);  // but together: asked one at a time they would take 36 x 0.5 s / 16

  // Probes after the sweep ask on their own again.
  char mac[20] = {};
  EXPECT_TRUE(probeMac(ipn("10.77.1.2"), mac));
}

TEST(ProbeLab, NamesComeFromTheNamespacesHostsFile) {
  char name[64] = {};
  ASSERT_TRUE(probeName(ipn("10.77.1.2"), name, sizeof name));
  EXPECT_STREQ(name, "peer-one.lab");
  char shortName[5] = {};
  ASSERT_TRUE(probeName(ipn("10.77.2.2"), shortName, sizeof shortName));
  EXPECT_STREQ(shortName, "peer");
  auto start = Clock::now();
  EXPECT_FALSE(probeName(ipn("10.77.1.99"), name, sizeof name));
  std::printf("name lookup without an answer: %ld ms\n", msSince(start));
}

}  // namespace
