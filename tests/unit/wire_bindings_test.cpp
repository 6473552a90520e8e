// Bindings read off the wire: frames, the bounded memory, the check triggered by table
// changes, and one report per binding whichever path meets it first.
#include "arp/wire_bindings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "address_fixture.h"
#include "arp/arp_table.h"
#include "arp/check_cycle.h"
#include "arp/check_trigger.h"
#include "arp/wire_bounds.h"
#include "arp/wire_decisions.h"
#include "arp/wire_reports.h"
#include "base/text_field.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "route/adapters.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace {

platform::HeardArp heardArp(std::uint16_t op, const char* ip, std::uint8_t mac0 = 0x02,
                            bool tagged = false, std::uint16_t vlan = 0) {
  platform::HeardArp f{op,
                       {2, 0, 0, 0, 0, 1},
                       {mac0, 0x11, 0x22, 0x33, 0x44, 0x55},
                       parseIpv4(ip),
                       {},
                       0,
                       tagged,
                       vlan,
                       9};
  return f;
}

TEST(WireBindings, OnlyUnicastSendersOfTheUntaggedSegmentGiveBindings) {
  struct Case {
    platform::HeardArp frame;
    bool gives;
  };
  const Case cases[] = {
      {heardArp(1, "10.0.0.5"), true},                  // a request
      {heardArp(2, "192.168.1.200"), true},             // a reply
      {heardArp(3, "10.0.0.5"), false},                 // RARP and others
      {heardArp(1, "0.0.0.0"), false},                  // an address probe
      {heardArp(1, "224.0.0.1"), false},                // multicast
      {heardArp(1, "255.255.255.255"), false},          // broadcast
      {heardArp(1, "127.0.0.1"), false},                // loopback
      {heardArp(1, "10.0.0.5", 0x01), false},           // a group MAC
      {heardArp(1, "10.0.0.5", 0x00), true},            // 00-11-22-...: a station
      {heardArp(2, "10.0.0.5", 0x02, true, 0), true},   // a priority tag
      {heardArp(2, "10.0.0.5", 0x02, true, 5), false},  // another VLAN
      {heardArp(2, "10.0.0.5", 0x02, true, 4095), false},
  };
  for (const Case& c : cases) {
    WireBinding b{};
    EXPECT_EQ(readArpBinding(c.frame, b), c.gives);
    if (c.gives) {
      EXPECT_EQ(b.ip, c.frame.senderIp);
      EXPECT_EQ(b.mac[1], 0x11);
      EXPECT_EQ(b.ifIndex, 9u);
    }
  }
}

TEST(WireBindings, TableIsBoundedAndForgetsTheOldestFirst) {
  // Against a plain model, with a small capacity and addresses that crowd few slots, so that
  // the chains the forgetting closes up are long.
  BindingTable t(8);
  std::map<std::uint32_t, std::uint8_t> model;
  std::deque<std::uint32_t> order;
  std::mt19937 rng(7);
  for (int step = 0; step < 20000; ++step) {
    const std::uint32_t ip = 1 + rng() % 24;
    const std::uint8_t m = static_cast<std::uint8_t>(rng() % 3);
    const std::uint8_t mac[6] = {2, 0, 0, 0, 0, m};
    const auto it = model.find(ip);
    const bool expectChange = it == model.end() || it->second != m;
    if (it == model.end()) {
      if (order.size() == 8) {
        model.erase(order.front());
        order.pop_front();
      }
      order.push_back(ip);
    }
    model[ip] = m;
    ASSERT_EQ(t.learn(ip, mac), expectChange) << "step " << step;
    ASSERT_EQ(t.remembered(), model.size());
    for (std::uint32_t k = 1; k <= 24; ++k) {
      const BindingTable::Slot* s = t.find(k);
      ASSERT_EQ(s != nullptr, model.count(k) == 1) << "step " << step << " ip " << k;
      if (s) {
        ASSERT_EQ(s->seen[5], model[k]);
      }
    }
  }
  // The tag counts as part of what was seen; address 0 is never remembered.
  const std::uint8_t mac[6] = {2, 0, 0, 0, 0, 1};
  BindingTable u(4);
  EXPECT_TRUE(u.learn(5, mac, 3));
  EXPECT_FALSE(u.learn(5, mac, 3));
  EXPECT_TRUE(u.learn(5, mac, 4));
  EXPECT_FALSE(u.learn(0, mac));
  EXPECT_EQ(u.find(0), nullptr);
  EXPECT_EQ(BindingTable().capacity(), kWireBindingCapacity);
}

TEST(WireBindings, TableChangesRunOneCheckPerSpacing) {
  using namespace std::chrono_literals;
  using T = CheckTrigger::Clock::time_point;
  // At ms: 'c' a change heard, 't' the timer's check, '?' is a triggered check due.
  struct Step {
    int ms;
    char what;
    bool runs;
  };
  const std::vector<Step> steps = {
      {0, '?', false},                                       // nothing heard
      {0, 'c', false},  {0, '?', true},                      // the first change: at once
      {1, 'c', false},  {2, 'c', false},  {5, '?', false},   // a storm waits out 20 ms...
      {19, '?', false}, {20, '?', true},  {21, '?', false},  // ...and runs one check
      {30, 'c', false}, {35, 't', false}, {60, '?', false},  // the timer's check saw it
      {70, 'c', false}, {80, '?', true},                     // 45 ms after the last: at once
      {85, 'c', false}, {99, '?', false}, {100, '?', true}, {130, '?', false},
  };
  CheckTrigger t;
  for (const Step& s : steps) {
    const T now = T{} + 1h + std::chrono::milliseconds(s.ms);
    if (s.what == 'c') noteTableChange(t);
    if (s.what == 't') noteCheckRan(t, now);
    if (s.what == '?') {
      EXPECT_EQ(takeTriggeredCheck(t, now), s.runs) << "at " << s.ms << " ms";
    }
  }
}

const char* const kPeer = "02-00-00-00-00-02";
const char* const kForged = "02-00-00-00-00-66";
const char* const kStranger = "02-00-00-00-00-50";

class WireAndCache : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    fake.applyWrites = true;
    installUiRecorder();
    settings = Settings{};
    settings.AddNew = false;
    settings.CheckMac = true;
    SampleList = {addressEntry("10.0.0.2", kPeer, "", "peer")};
    resetCheckCycle();
    freeArpSnapshot();
    ASSERT_TRUE(createArpSnapshot());
    enableWireBindings(true);
    resetWireBindings();
    resetWireReports();
    // The monitor is 10.0.0.1 on interface 4, the one the wire bindings are heard on.
    PlatformAdapter own;
    own.index = 4;
    own.mac[0] = 2;
    own.mac[5] = 1;
    own.addresses = {{"10.0.0.1", "255.255.255.0"}};
    fake.adapters = {own};
    ASSERT_TRUE(discoverAdapters());
    installUiRecorder();
  }
  void TearDown() override {
    enableWireBindings(false);
    SampleList.clear();
    resetCheckCycle();
  }
  static void wire(const char* ip, const char* mac) {
    WireBinding b{parseIpv4(ip), {}, 4};
    parseMac(mac, b.mac);
    decideWireBindings(&b, 1);
  }
  static void cache(const char* ip, const char* mac) {
    std::erase_if(fake.arpRows,
                  [&](const ArpRow& r) { return r.addr == fakeArpRow(4, ip, mac).addr; });
    fake.arpRows.push_back(fakeArpRow(4, ip, mac));
    runCheck();
  }
  std::size_t lines() {
    const std::size_t n = ui.windowLines.size();
    ui.windowLines.clear();
    return n;
  }
  ScratchDir dir;
};

TEST_F(WireAndCache, EachBindingIsReportedOnceWhicheverPathMeetsItFirst) {
  struct Case {
    const char* name;
    bool restore, block;
    const char* ip;
    const char* mac;
    std::size_t writes;  // restores or blocks, both paths together
  };
  const Case cases[] = {
      {"spoof", false, false, "10.0.0.2", kForged, 0},
      {"spoof restored", true, false, "10.0.0.2", kForged, 1},
      {"stranger blocked", false, true, "10.0.0.50", kStranger, 1},
  };
  for (const Case& c : cases)
    for (bool wireFirst : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (wireFirst ? ", wire first" : ", cache first"));
      SetUp();
      settings.Restore = c.restore;
      settings.BlockNew = c.block;
      cache("10.0.0.2", kPeer);
      EXPECT_EQ(lines(), 0u);
      if (wireFirst) {
        wire(c.ip, c.mac);
        cache(c.ip, c.mac);  // the kernel took the same frame
      } else {
        cache(c.ip, c.mac);
        wire(c.ip, c.mac);
      }
      EXPECT_EQ(lines(), 1u);
      // The attacker repeats itself; our own write comes back as a change; the timer checks.
      wire(c.ip, c.mac);
      runCheck();
      runCheck();
      EXPECT_EQ(lines(), 0u);
      EXPECT_EQ(fake.setEntries.size(), c.writes);
      TearDown();
    }
}

TEST_F(WireAndCache, WireAloneReportsWhatTheCacheNeverHolds) {
  settings.Restore = true;
  wire("10.0.0.2", kForged);     // a claim of a sample's address the kernel never took
  wire("10.0.0.50", kStranger);  // a station that only asks
  wire("10.0.0.50", kStranger);
  ASSERT_EQ(ui.windowLines.size(), 2u);
  EXPECT_NE(ui.windowLines[0].find("Подмена адреса! 10.0.0.2 02-00-00-00-00-66"),
            std::string::npos);
  EXPECT_NE(ui.windowLines[1].find("Новый IP-адрес! 10.0.0.50 02-00-00-00-00-50"),
            std::string::npos);
  ASSERT_EQ(fake.setEntries.size(), 1u);  // the restore goes to the interface it was heard on
  EXPECT_EQ(fake.setEntries[0].index, 4u);
  EXPECT_EQ(fake.setEntries[0].type, kArpTypeStatic);
  lines();
  // Learning: a new station becomes a sample once, as a changed cache row would.
  settings.AddNew = true;
  wire("10.0.0.60", "02-00-00-00-00-60");
  EXPECT_EQ(SampleList.size(), 2u);
  // Without the wire watched, a check decides every changed row as before.
  enableWireBindings(false);
  cache("10.0.0.50", kStranger);
  EXPECT_EQ(lines(), 2u);  // the learned station's line, and the stranger reported again
}

TEST_F(WireAndCache, OwnAddressOffLinkSendersAndFloodsAreNeverWrittenBeyondTheirBounds) {
  struct Case {
    bool addNew, viaCache;  // else BlockNew, and the wire
    const char* ip;
    int senders;
    std::size_t samples, writes, lines;  // learned, rows written, journal lines
    const char* first;
  } cases[] = {{true, false, "10.0.0.1", 1, 0, 0, 1,
                "10.0.0.1 02-00-00-01-00-00 (собственный адрес "
                "10.0.0.1 02-00-00-00-00-01)"},
               {false, true, "10.0.0.1", 1, 0, 0, 1, "(собственный адрес"},
               {true, false, "10.9.0.1", 50, 0, 0, 6, "Адрес вне подсетей! 10.9"},  // off-link
               {false, false, "10.9.0.1", 50, 0, 0, 6, "Адрес вне подсетей!"},
               {true, true, "10.9.0.1", 3, 3, 0, 3, "Новый"},        // the cache's path: as always
               {true, false, "10.0.0.2", 200, 64, 0, 201, "Новый"},  // a flood: its stop told once
               {false, false, "10.0.0.2", 200, 0, 32, 201, "Новый"}};
  for (const Case& c : cases) {
    SetUp();
    SampleList.clear();
    std::tie(settings.AddNew, settings.BlockNew, settings.Restore) =
        std::tuple(c.addNew, !c.addNew, true);
    for (int i = 0; i < c.senders; ++i) {
      char ip[20], mac[32];
      formatIpv4Host(parseIpv4(c.ip) + static_cast<std::uint32_t>(i), ip);
      std::snprintf(mac, sizeof mac, "02-00-00-01-%02x-%02x", i >> 8, i & 0xff);
      c.viaCache ? cache(ip, mac) : wire(ip, mac);
    }
    EXPECT_EQ(SampleList.size(), c.samples) << c.ip << c.senders;
    EXPECT_EQ(fake.setEntries.size(), c.writes) << c.ip << c.senders;
    ASSERT_EQ(ui.windowLines.size(), c.lines) << c.ip << c.senders;
    EXPECT_NE(ui.windowLines[0].find(c.first), std::string::npos) << ui.windowLines[0];
    TearDown();
  }
}

TEST(WireBounds, ABurstThenARateThenTheRunsTotal) {
  WriteBound b{"x", 3, 60, 5};
  // At second: whether a write is allowed.
  const std::pair<double, bool> steps[] = {{0, true},    {0, true},  {0, true},  {0, false},
                                           {0.5, false}, {1, true},  {1, false}, {30, true},
                                           {30, false},  {90, false}};
  installUiRecorder();
  for (const auto& [at, allowed] : steps) EXPECT_EQ(spendWriteBound(b, at), allowed) << at;
  ASSERT_EQ(ui.windowLines.size(), 2u);  // the first stop, then the total
  EXPECT_NE(ui.windowLines[0].find("не более 3 сразу и 60 в минуту"), std::string::npos);
  EXPECT_NE(ui.windowLines[1].find("до перезапуска (предел 5)"), std::string::npos);
}

TEST_F(WireAndCache, LostFramesAreJournalledAtMostOnceAMinute) {
  struct Step {
    std::uint64_t lost;
    double at;
    int told;  // the count in the journal line, 0 none
  };
  const Step steps[] = {{0, 10, 0},  {5, 100, 5}, {3, 130, 0}, {4, 159, 0},
                        {0, 161, 7}, {0, 300, 0}, {1, 301, 1}};
  for (const Step& s : steps) {
    addWireDrops(s.lost);
    EXPECT_EQ(journalWireDrops(s.at), s.told != 0) << "at " << s.at;
    const std::string got = ui.windowLines.empty() ? "" : ui.windowLines.back();
    if (s.told) {
      EXPECT_NE(
          got.find("Прослушивание сети: потеряно кадров ARP: " + std::to_string(s.told) + "."),
          std::string::npos)
          << got;
    }
    ui.windowLines.clear();
  }
  addWireDrops(2);  // within the minute: held back, but not past the end
  EXPECT_FALSE(journalWireDrops(302));
  journalWireDropsAtEnd();
  ASSERT_EQ(ui.windowLines.size(), 1u);
  EXPECT_NE(ui.windowLines[0].find("кадров ARP: 2."), std::string::npos);
}

}  // namespace
