#include "ipv6/check6.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "address_fixture.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "forms/settings_form.h"
#include "ipv6/watch6.h"
#include "route/adapters.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace {

constexpr const char* kA = "00-00-00-00-00-0a";  // a station
constexpr const char* kX = "00-00-00-00-00-0e";  // a stranger
constexpr const char* kGw = "00-11-22-33-44-55";

struct Check6Case {
  const char* name;
  std::vector<std::vector<const char*>> samples;  // IP, MAC, name
  std::vector<Neighbour6Row> rows;
  std::vector<const char*> wire;  // "IP MAC" bindings heard after the checks
  std::vector<std::string> lines;
  std::size_t samplesAfter;
  std::size_t restores = 0;
  const char* firstName = "";
  bool restore = false, watch = true, arpKnowsA = false;
};

// clang-format off
const Check6Case kCases[] = {
    {"sample spoofed and restored", {{"fe80::1", kGw, "gw"}}, {fakeNeighbour6(2, "fe80::1", kX)},
     {"fe80::1 00-00-00-00-00-0e", "fe80::1 00-00-00-00-00-0f"},
     {"Подмена адреса! fe80::1 00-00-00-00-00-0e (fe80::1 00-11-22-33-44-55)",
      "Подмена адреса! fe80::1 00-00-00-00-00-0f (fe80::1 00-11-22-33-44-55)"}, 1, 2, "", true},
    {"own address claimed", {}, {fakeNeighbour6(1, "2001:db8::10", kX),
      fakeNeighbour6(1, "2001:db8::10", "02-00-00-00-00-01")}, {},
     {"Подмена адреса! 2001:db8::10 00-00-00-00-00-0e (собственный адрес 2001:db8::10 "
      "02-00-00-00-00-01)"}, 0},
    {"new station told once, its link-local binding learned", {},
     {fakeNeighbour6(2, "2001:db8::a", kA), fakeNeighbour6(2, "2001:db8::b", kA),
      fakeNeighbour6(2, "fe80::a", kA), fakeNeighbour6(2, "fe80::b", kA)},
     {"2001:db8::c 00-00-00-00-00-0a"}, {"Новый IP-адрес! 2001:db8::a 00-00-00-00-00-0a"}, 1},
    {"a MAC the ARP lists show is no new station", {}, {fakeNeighbour6(2, "fe80::a", kA)}, {}, {},
     1, 0, "", false, true, true},
    {"a router is never learned", {}, {fakeNeighbour6(2, "fe80::1", kX, 3, true)}, {},
     {"Новый IP-адрес! fe80::1 00-00-00-00-00-0e"}, 0},
    {"pattern sample names the link", {{"fe80::*", "", "lan"}}, {fakeNeighbour6(2, "fe80::a", kA)},
     {}, {}, 1, 0, "lan"},
    {"WatchIpv6 off", {}, {fakeNeighbour6(2, "fe80::a", kA)}, {"fe80::b 00-00-00-00-00-0e"}, {},
     0, 0, "", false, false},
};
// clang-format on

std::vector<std::string> events() {
  std::vector<std::string> out;
  for (const std::string& l : ui.windowLines) out.push_back(l.substr(9, l.size() - 11));
  ui.windowLines.clear();
  return out;
}

class Check6 : public ::testing::TestWithParam<Check6Case> {
 protected:
  void SetUp() override {
    resetFake();
    installUiRecorder();
    settings = Settings{};
    SampleList.clear();
    Sample6List.clear();
    CacheList.clear();
    LastCacheList.clear();
    resetCheck6();
    LocalAdapter own{};
    own.index = 1;
    copyField(own.macText, "02-00-00-00-00-01");
    LocalAdapterList = {own};
    fake.addresses6 = {{1, {}, 64}};
    std::memcpy(fake.addresses6[0].addr, fakeNeighbour6(1, "2001:db8::10", kA).addr, 16);
  }
  void TearDown() override { LocalAdapterList.clear(); }
  ScratchDir dir;
};

}  // namespace

TEST_P(Check6, DecidesEachNewBindingOnce) {
  const Check6Case& c = GetParam();
  settings.Restore = c.restore;
  settings.WatchIpv6 = c.watch;
  for (const auto& s : c.samples) {
    Address6Entry e = makeEntry6();
    copyField(e.ipText, s[0]), copyField(e.macText, s[1]), copyField(e.hostName, s[2]);
    addSample6(e);
  }
  if (c.arpKnowsA) CacheList = {addressEntry("10.0.0.10", kA)};
  fake.neighbours6 = c.rows;
  runCheck6();
  runCheck6();  // the same table again: nothing new
  for (const char* w : c.wire) {
    Address6Entry e = makeEntry6();
    const std::string text(w);
    copyField(e.ipText, text.substr(0, text.find(' ')));
    copyField(e.macText, text.substr(text.find(' ') + 1));
    decideBinding6(e, 2, false);
  }
  EXPECT_EQ(events(), c.lines);
  EXPECT_EQ(Sample6List.size(), c.samplesAfter);
  ASSERT_EQ(fake.setNeighbours6.size(), c.restores);
  if (c.restores) {
    EXPECT_EQ(fake.setNeighbours6[0].mac[5], 0x55);
    EXPECT_EQ(fake.setNeighbours6[0].type, 4u);
  }
  EXPECT_EQ(fake.neighbours6Reads, c.watch ? 2 : 0);
  if (!c.watch) return;
  EXPECT_STREQ(Neighbour6List.at(0).hostName, c.firstName);
  EXPECT_EQ(ui.lists[ListId::Neighbours6].at(0).at(4), c.firstName);  // the view follows
}

INSTANTIATE_TEST_SUITE_P(Rules, Check6, ::testing::ValuesIn(kCases));

TEST_F(Check6, ReadFailureToldOnceAndUnsupportedTableSwitchesTheCheckOff) {
  fake.neighbours6Error = 5;
  runCheck6();
  runCheck6();
  EXPECT_EQ(events(), std::vector<std::string>{"Ошибка при обращении к таблице соседей IPv6."});
  fake.neighbours6Error = 50;
  runCheck6();
  runCheck6();
  EXPECT_EQ(fake.neighbours6Reads, 3);
  EXPECT_TRUE(events().empty());
}

TEST_F(Check6, SwitchedOffByTheSettingsFormNoRowStays) {
  fake.neighbours6 = {fakeNeighbour6(2, "fe80::a", kA)};
  runCheck6();
  SettingsForm form = formFromSettings(settings);
  form.WatchIpv6 = false;
  ASSERT_EQ(applySettingsForm(form), SettingsVerdict::Applied);
  runCheck6();
  EXPECT_EQ(fake.neighbours6Reads, 1);
  EXPECT_TRUE(Neighbour6List.empty() && ui.lists[ListId::Neighbours6].empty());
}
