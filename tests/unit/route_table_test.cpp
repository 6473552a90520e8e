#include "route/route_table.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "base/address.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "route/route_fields.h"
#include "settings/settings.h"

namespace {

std::uint32_t net(const char* dotted) { return hostToNetwork(parseIpv4(dotted)); }

RouteRow route(const char* dest, const char* mask, const char* hop, std::uint32_t ifIndex,
               std::uint32_t metric) {
  RouteRow r{};
  r.dest = net(dest);
  r.mask = net(mask);
  r.nextHop = net(hop);
  r.ifIndex = ifIndex;
  r.metric1 = metric;
  return r;
}

// The main thread's message queue: routeWatch posts into it, the pump handles it.
std::deque<std::uint32_t> posted;
void post(std::uint32_t count) { posted.push_back(count); }
void pump() {
  ++ui.pumps;
  while (!posted.empty()) {
    const std::uint32_t n = posted.front();
    posted.pop_front();
    refreshRoutes(n);
  }
}

class RouteTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    installUiRecorder();
    uiHooks.pumpMessages = pump;
    settings = Settings{};
    settings.ShowMsg = false;
    RouteRows.clear();
    OwnRouteChange = false;
    routeChangeCount = 0;
    posted.clear();
    fake.routes = {route("0.0.0.0", "0.0.0.0", "192.168.1.1", 7, 25),
                   route("10.0.0.0", "255.0.0.0", "10.0.0.5", 0x1a, 1),
                   route("127.0.0.0", "255.0.0.0", "127.0.0.1", 1, 306)};
    fake.addrRows = {{net("192.168.1.20"), 7, net("255.255.255.0"), 0, 0, 0, 0},
                     {net("192.168.1.21"), 7, net("255.255.255.0"), 0, 0, 0, 0},
                     {net("127.0.0.1"), 1, net("255.0.0.0"), 0, 0, 0, 0}};
  }
  const std::vector<std::vector<std::string>>& rows() { return ui.lists[ListId::Routes]; }
  // Drives the watch over the scripted notifications, then the main loop over what it posted.
  void runNotifications(std::vector<std::uint32_t> answers) {
    fake.routeNotifications = std::move(answers);
    routeWatch(post);
    pump();
  }
};

TEST_F(RouteTableTest, ListShowsAddressesInterfaceAndMetric) {
  refreshRoutes(0);
  ASSERT_EQ(rows().size(), 3u);
  EXPECT_EQ(rows()[0],
            (std::vector<std::string>{"0.0.0.0", "0.0.0.0", "192.168.1.1", "192.168.1.20", "25"}));
  // An interface without an IPv4 address shows its index in hexadecimal.
  EXPECT_EQ(rows()[1],
            (std::vector<std::string>{"10.0.0.0", "255.0.0.0", "10.0.0.5", "0x1a", "1"}));
  EXPECT_EQ(rows()[2][3], "127.0.0.1");
  ASSERT_EQ(RouteRows.size(), 3u);
  EXPECT_EQ(RouteRows[1].ifIndex, 0x1au);
  EXPECT_EQ(ui.sleeps, std::vector<int>(10, 100));
  EXPECT_EQ(ui.pumps, 10);
}

TEST_F(RouteTableTest, WithoutAnAddressTableTheInterfaceStaysEmpty) {
  fake.addrError = 122;
  refreshRoutes(0);
  ASSERT_EQ(rows().size(), 3u);
  EXPECT_EQ(rows()[0][3], "");
  EXPECT_EQ(rows()[0][4], "25");
}

TEST_F(RouteTableTest, UnreadableTableKeepsTheRows) {
  refreshRoutes(0);
  fake.routes.pop_back();
  fake.routesError = 122;
  refreshRoutes(0);
  EXPECT_EQ(rows().size(), 3u);
  EXPECT_EQ(RouteRows.size(), 3u);
  fake.routesError = 0;
  refreshRoutes(0);
  EXPECT_EQ(rows().size(), 2u);
  EXPECT_EQ(RouteRows.size(), 2u);
}

TEST_F(RouteTableTest, BurstOfNotificationsGivesOneReportAndOneReading) {
  settings.MsgOnRoute = true;
  runNotifications({0, 0, 0});
  EXPECT_EQ(routeChangeCount.load(), 3u);
  EXPECT_EQ(fake.routeTableReads, 1);
  ASSERT_EQ(ui.windowLines.size(), 1u);
  EXPECT_EQ(ui.windowLines[0], "14:07:09 Изменения таблицы маршрутов\r\n");
  EXPECT_EQ(rows().size(), 3u);
}

TEST_F(RouteTableTest, OwnChangeIsNotReportedButTheNextOneIs) {
  settings.MsgOnRoute = true;
  OwnRouteChange = true;  // as every caller of a refresh 0 does
  refreshRoutes(0);
  ASSERT_TRUE(ui.windowLines.empty());
  ASSERT_EQ(RouteRows.size(), 3u);
  EXPECT_FALSE(deleteRoute(5));  // no such row: nothing handed to the system
  EXPECT_TRUE(fake.deletedRoutes.empty());
  EXPECT_TRUE(deleteRoute(1));
  ASSERT_EQ(fake.deletedRoutes.size(), 1u);
  EXPECT_EQ(fake.deletedRoutes[0].dest, net("10.0.0.0"));
  EXPECT_TRUE(OwnRouteChange);
  runNotifications({0});
  EXPECT_TRUE(ui.windowLines.empty());
  EXPECT_FALSE(OwnRouteChange);
  runNotifications({0});
  EXPECT_EQ(ui.windowLines.size(), 1u);
  EXPECT_EQ(fake.routeTableReads, 3);
}

TEST_F(RouteTableTest, RefusedDeletionKeepsTheFlagForTheNextRefresh) {
  settings.MsgOnRoute = true;
  OwnRouteChange = true;  // as every caller of a refresh 0 does
  refreshRoutes(0);
  ASSERT_TRUE(ui.windowLines.empty());
  fake.deleteRouteResult = 5;
  EXPECT_FALSE(deleteRoute(0));
  EXPECT_TRUE(OwnRouteChange);
  runNotifications({0});
  EXPECT_TRUE(ui.windowLines.empty());
}

TEST_F(RouteTableTest, WithoutMsgOnRouteTheListIsStillRefreshed) {
  runNotifications({0, 0});
  EXPECT_TRUE(ui.windowLines.empty());
  EXPECT_EQ(fake.routeTableReads, 1);
  EXPECT_EQ(rows().size(), 3u);
}

TEST_F(RouteTableTest, WatchEndsOnAFailureOtherThanPending) {
  fake.lastError = kErrorIoPending;
  fake.routeNotifications = {0, 31, 0};
  routeWatch(post);  // 31 with "pending" counts; the empty script then answers 50
  EXPECT_EQ(posted, (std::deque<std::uint32_t>{1, 2, 3}));

  posted.clear();
  routeChangeCount = 0;
  fake.lastError = 0;
  fake.routeNotifications = {0, 31, 0};
  routeWatch(post);
  EXPECT_EQ(posted, (std::deque<std::uint32_t>{1}));
  EXPECT_EQ(fake.routeNotifications.size(), 1u);
}

TEST(RouteCommandTest, CommandLinesFromTheFourFields) {
  EXPECT_EQ(routeCommandLine("10.0.0.0", "255.0.0.0", "192.168.1.1", ""),
            "route add 10.0.0.0 mask 255.0.0.0 192.168.1.1");
  EXPECT_EQ(routeCommandLine("10.0.0.0", "255.0.0.0", "192.168.1.1", nullptr),
            "route add 10.0.0.0 mask 255.0.0.0 192.168.1.1");
  EXPECT_EQ(routeCommandLine("10.0.0.0", "255.0.0.0", "192.168.1.1", "5"),
            "route add 10.0.0.0 mask 255.0.0.0 192.168.1.1 metric 5");
  const std::string f(19, '9');
  EXPECT_EQ(routeCommandLine(f.c_str(), f.c_str(), f.c_str(), f.c_str()).size(), 101u);
}

TEST(RouteCommandTest, ShortFieldsStartNothingButMarkTheChangeOwn) {
  resetFake();
  OwnRouteChange = false;
  EXPECT_EQ(addRouteFromFields("1.2.3", "255.0.0.0", "192.168.1.1", ""), RouteAddResult::Refused);
  EXPECT_TRUE(OwnRouteChange);
  EXPECT_EQ(addRouteFromFields("1.2.3.4", "25.0.0", "192.168.1.1", ""), RouteAddResult::Refused);
  EXPECT_EQ(addRouteFromFields("1.2.3.4", "255.0.0.0", "1.1.1", ""), RouteAddResult::Refused);
  EXPECT_EQ(addRouteFromFields(nullptr, nullptr, nullptr, nullptr), RouteAddResult::Refused);
  EXPECT_TRUE(fake.addedRoutes.empty());

  OwnRouteChange = false;
  EXPECT_EQ(addRouteFromFields("1.2.3.4", "255.255.255.255", "1.1.1.1", "3"),
            RouteAddResult::Started);
  EXPECT_TRUE(OwnRouteChange);
  EXPECT_EQ(fake.addedRoutes,
            std::vector<std::string>{"route add 1.2.3.4 mask 255.255.255.255 1.1.1.1 metric 3"});

  fake.addRouteStarts = false;
  EXPECT_EQ(addRouteFromFields("1.2.3.4", "255.255.255.255", "1.1.1.1", ""),
            RouteAddResult::CannotStart);

  // A command that ran and refused: its code and words, for the box and for one journal line.
  fake.addRouteStarts = true;
  fake.addRouteFailure = {1, "The requested operation\r\nrequires elevation.\x1b\r\n"};
  RouteCommandFailure said;
  EXPECT_EQ(addRouteFromFields("1.2.3.4", "255.255.255.255", "1.1.1.1", "", &said),
            RouteAddResult::Failed);
  EXPECT_EQ(routeFailureMessage(said),
            "Ошибка команды route.\nКод завершения: 1.\n\nThe requested operation\nrequires "
            "elevation.");
  EXPECT_EQ(routeFailureLine("route add x", said),
            "Ошибка команды route: route add x — код завершения 1: The requested operation "
            "requires elevation.?");
}

// Only addresses, a contiguous mask and a metric of 1 to 9999 reach the route command, in
// the form the user meant; every refusal names its field.
TEST(RouteCommandTest, FieldsAreReadAndRefusedByName) {
  struct Case {
    const char *address, *mask, *gateway, *metric;
    RouteFieldFault fault;
    std::string result;  // the command line, or the message
  };
  using F = RouteFieldFault;
  const std::string metric = "Неверная метрика «Метрика»: ";
  const std::string digits = " — нужно число от 1 до 9999.";
  const std::string dotted = " — нужны четыре числа от 0 до 255 через точку.";
  const Case cases[] = {
      {"10.55.0.0", "255.255.0.0", "10.78.0.254", "", F::None,
       "route add 10.55.0.0 mask 255.255.0.0 10.78.0.254"},
      {" 010.055.0.0 ", "255.255.000.0", "10.78.0.254", " 0005", F::None,
       "route add 10.55.0.0 mask 255.255.0.0 10.78.0.254 metric 5"},
      {"0.0.0.0", "0.0.0.0", "10.78.0.254", "9999", F::None,
       "route add 0.0.0.0 mask 0.0.0.0 10.78.0.254 metric 9999"},
      {"10.56.0.0", "255.255.0.0", "10.78.0.254", "1", F::None,
       "route add 10.56.0.0 mask 255.255.0.0 10.78.0.254 metric 1"},
      {"999.1.1.1", "255.0.0.0", "1.1.1.1", "", F::Address,
       "Неверный адрес «Адрес»: 999.1.1.1" + dotted},
      {"-p 10.9.9.0", "255.0.0.0", "1.1.1.1", "", F::Address,
       "Неверный адрес «Адрес»: -p 10.9.9.0" + dotted},
      {"1.2.3", "255.0.0.0", "1.1.1.1", "", F::Address, "Неверный адрес «Адрес»: 1.2.3" + dotted},
      {"", "255.0.0.0", "1.1.1.1", "", F::Address, "Неверный адрес «Адрес»: (пусто)" + dotted},
      {"10.0.0.0", "abc.def.ghi", "1.1.1.1", "", F::Mask,
       "Неверная маска «Маска»: abc.def.ghi" + dotted},
      {"10.0.0.0", "255.0.255.0", "1.1.1.1", "", F::MaskGaps,
       "Неверная маска «Маска»: 255.0.255.0 — единицы маски должны идти подряд."},
      {"10.0.0.1", "255.0.0.0", "1.1.1.1", "", F::AddressOutsideMask,
       "Неверный адрес «Адрес»: 10.0.0.1 — выходит за маску 255.0.0.0 (адрес сети 10.0.0.0)."},
      {"10.0.0.0", "255.0.0.0", "999.1.1.1", "", F::Gateway,
       "Неверный шлюз «Шлюз»: 999.1.1.1" + dotted},
      {"10.0.0.0", "255.0.0.0", "1.1.1.1", "abc-7", F::Metric, metric + "abc-7" + digits},
      {"10.0.0.0", "255.0.0.0", "1.1.1.1", "0", F::Metric, metric + "0" + digits},
      {"10.0.0.0", "255.0.0.0", "1.1.1.1", "10000", F::Metric, metric + "10000" + digits},
  };
  for (const Case& c : cases) {
    resetFake();
    RouteFields f;
    EXPECT_EQ(readRouteFields(c.address, c.mask, c.gateway, c.metric, f), c.fault) << c.result;
    const RouteAddResult added = addRouteFromFields(c.address, c.mask, c.gateway, c.metric);
    if (c.fault == RouteFieldFault::None) {
      EXPECT_EQ(added, RouteAddResult::Started);
      EXPECT_EQ(fake.addedRoutes, std::vector<std::string>{c.result});
    } else {
      EXPECT_EQ(added, RouteAddResult::Refused);
      EXPECT_TRUE(fake.addedRoutes.empty());
      EXPECT_EQ(routeFieldMessage(c.fault, c.address, c.mask, c.gateway, c.metric), c.result);
    }
  }
}

}  // namespace

namespace {
// The question's own message loop runs a refresh that finds a new route listed first.
bool refreshWhileAsking(const char*, const char*) {
  fake.routes.insert(fake.routes.begin(), route("172.16.0.0", "255.240.0.0", "10.0.0.5", 0x1a, 1));
  refreshRoutes(0);
  return true;
}
}  // namespace

// Wine runs the question and a deletion that succeeds; here the renumbering and a refusal.
TEST_F(RouteTableTest, DeletionAfterTheQuestionDeletesTheRowThatWasAskedAbout) {
  OwnRouteChange = true;
  refreshRoutes(0);
  uiHooks.askYesNo = refreshWhileAsking;
  deleteChosenRoute(1);                          // 10.0.0.0/8
  EXPECT_EQ(RouteRows[1].dest, net("0.0.0.0"));  // the index now names another route
  ASSERT_EQ(fake.deletedRoutes.size(), 1u);
  EXPECT_EQ(fake.deletedRoutes[0].dest, net("10.0.0.0"));
  EXPECT_TRUE(OwnRouteChange);

  fake.deleteRouteResult = 5;
  installUiRecorder();
  ui.answerYes = false;
  deleteChosenRoute(0);  // No: nothing deleted
  deleteChosenRoute(9);  // no such row: not even a question
  EXPECT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(fake.deletedRoutes.size(), 1u);
  ui.answerYes = true;
  deleteChosenRoute(0);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].first, "Ошибка удаления маршрута.");
}
