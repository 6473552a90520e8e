// The wire watch's window, its once-per-sender rule and the few lines a kind a flood gets.
#include "arp/wire_reports.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "route/adapters.h"

TEST(WireReports, RecentKeysAndMacHistoryKeepTheirWindow) {
  RecentKeys keys(4, 10);  // one set of four: the oldest is forgotten first
  const std::tuple<std::uint64_t, double, bool> seen[] = {
      {1, 0, true},  {1, 9.9, false}, {2, 1, true},  {3, 2, true},   {4, 3, true},
      {1, 10, true}, {5, 11, true},   {2, 12, true}, {4, 12, false}, {3, 12, true}};
  for (const auto& [key, at, first] : seen)
    EXPECT_EQ(keys.firstWithin(key, at), first) << key << "@" << at;
  MacHistory history(16);
  const std::tuple<std::uint32_t, std::uint8_t, double, bool> macs[] = {
      {7, 0xa, 0, false}, {7, 0xb, 1, false}, {8, 0xa, 1, false}, {7, 0xa, 2, true},
      {7, 0xa, 3, false}, {7, 0xb, 4, true},  {7, 0xc, 5, false}, {7, 0xb, 100, false}};
  for (const auto& [ip, last, at, back] : macs) {
    std::uint8_t mac[6] = {2, 0, 0, 0, 0, last}, previous[6];
    EXPECT_EQ(history.goesBack(ip, mac, at, 60, previous), back) << ip << "@" << at;
  }
}

TEST(WireReports, OncePerSenderAndKindWithinTheWindowAndAFewLinesAKind) {
  resetFake();
  PlatformAdapter own;
  own.index = 4;
  own.addresses = {{"10.0.0.1", "255.255.255.0"}};
  fake.adapters = {own};
  ASSERT_TRUE(discoverAdapters());
  installUiRecorder();
  enableWireBindings(true);
  resetWireReports();
  const auto hear = [](const char* ip, std::uint8_t mac0, std::uint8_t mac5, std::uint8_t ether,
                       double at) {
    const platform::HeardArp f{
        1, {2, 0, 0, 0, 0, ether}, {mac0, 0, 0, 0, 0, mac5}, parseIpv4(ip), {}, 0, false, 0, 4};
    WireBinding b;
    if (readWireFrame(f, b) && reportWireFrame(b, at)) reportWireReturn(b, at);
  };
  const struct {
    const char* ip;
    std::uint8_t mac0, mac5, ether;
    double at;
    const char* line;  // "": none
  } steps[] = {
      {"10.0.0.5", 2, 5, 5, 0, ""},
      {"10.0.0.5", 2, 5, 9, 0,
       "Несовпадение MAC-адресов! 10.0.0.5 02-00-00-00-00-05 (Ethernet 02-00-00-00-00-09, "
       "интерфейс 4)"},
      {"10.0.0.5", 2, 5, 9, 599, ""},
      {"10.0.0.5", 2, 5, 9, 600, "Несовпадение MAC-адресов! 10.0.0.5"},
      {"10.0.0.6", 1, 0, 9, 0, "Групповой MAC отправителя! 10.0.0.6 01-00-00-00-00-00 (Ethernet"},
      {"0.0.0.0", 0, 0, 9, 0, "Групповой MAC отправителя! 0.0.0.0 00-00-00-00-00-00"},
      {"0.0.0.0", 2, 7, 7, 0, ""},  // a probe
      {"10.9.0.1", 2, 1, 1, 0, "Адрес вне подсетей! 10.9.0.1 02-00-00-00-00-01"},
      {"10.9.0.1", 2, 1, 1, 5, ""},
      {"10.0.0.7", 2, 1, 1, 0, ""},
      {"10.0.0.7", 2, 2, 2, 1, ""},
      {"10.0.0.7", 2, 1, 1, 2,
       "Возврат прежнего MAC! 10.0.0.7 02-00-00-00-00-01 (прежний MAC 02-00-00-00-00-02, Ethernet"},
      {"10.0.0.7", 2, 2, 2, 3, ""},  // the same race
  };
  for (const auto& s : steps) {
    ui.windowLines.clear();
    hear(s.ip, s.mac0, s.mac5, s.ether, s.at);
    ASSERT_EQ(ui.windowLines.size(), *s.line ? 1u : 0u) << s.ip << "@" << s.at;
    if (*s.line) {
      EXPECT_NE(ui.windowLines[0].find(s.line), std::string::npos) << ui.windowLines[0];
    }
  }
  ui.windowLines.clear();
  for (std::uint8_t i = 0; i < 20; ++i) hear("10.9.0.2", 2, i, i, 700);  // a new window
  ASSERT_EQ(ui.windowLines.size(), kWireReportLines + 1);
  EXPECT_NE(ui.windowLines.back().find("следующие только считаются"), std::string::npos);
  journalWireReportsHeld(1300);
  ASSERT_EQ(ui.windowLines.size(), kWireReportLines + 2);
  EXPECT_NE(ui.windowLines.back().find(": 15."), std::string::npos) << ui.windowLines.back();
  enableWireBindings(false);
}
