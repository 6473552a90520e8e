// `vetrel route add|delete`: operands with the editor's length rules, and deletion of the
// matching rows through the same deleteRoute as the route list.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/linux/command_line.h"
#include "app/linux/commands/route_edit_command.h"
#include "app/linux/console/console_text.h"
#include "app/linux/runtime/console_session.h"
#include "fake/fake_platform.h"
#include "route/route_table.h"
#include "scratch_dir.h"

namespace {

std::uint32_t ip(const char* text) { return inet_addr(text); }

RouteRow row(const char* dest, const char* mask, const char* gateway, std::uint32_t metric) {
  RouteRow r{};
  r.dest = ip(dest);
  r.mask = ip(mask);
  r.nextHop = ip(gateway);
  r.ifIndex = 2;
  r.metric1 = metric;
  return r;
}

}  // namespace

// The settings lab runs the usual lines and a short address; here the other refusals.
TEST(ConsoleRouteEdit, OperandsFollowTheEditorsRules) {
  struct Case {
    std::vector<std::string> operands;
    const char* error;
  } cases[] = {
      {{"add", "1.2.3.4", "255.255.255.255", "1.2.3.5", "5"}, ""},  // 7 characters is enough
      {{}, "route needs add or delete"},
      {{"change", "1"}, "unknown route action 'change' (add or delete)"},
      {{"add", "10.0.0.0", "255.0.0.0"}, "usage: vetrel route add ADDRESS MASK GATEWAY [METRIC]"},
      {{"delete", "10.0.0.0", "255.0.0.0", "1.2.3.4", "5"},
       "usage: vetrel route delete ADDRESS MASK [GATEWAY]"},
      {{"add", "10.0.0.0", "255.0.0.00000000000000", "1.2.3.4"},
       "MASK '255.0.0.00000000000000' must have 7 to 19 characters"},
      {{"add", "10.0.0.0", "255.0.0.0", "gateway"},
       "GATEWAY 'gateway' is not a dotted IPv4 address"},
      {{"add", "10.0.0.0", "255.0.255.0", "1.2.3.4"},
       "MASK '255.0.255.0' is not a run of leading one bits"},
      {{"add", "10.0.0.1", "255.0.0.0", "1.2.3.4"},
       "ADDRESS '10.0.0.1' has bits outside MASK '255.0.0.0'"},
      {{"add", "10.0.0.0", "255.0.0.0", "1.2.3.4", "4294967296"},
       "METRIC '4294967296' is not a number from 0 to 4294967295"},
      {{"add", "10.0.0.0", "255.0.0.0", "1.2.3.4", "10000"},
       "Неверная метрика «Метрика»: 10000 — нужно число от 1 до 9999."},
      {{"delete", "10.0.0.0", "255.0.0.0", "1.2.3.4"}, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(parseRouteOperands(c.operands).error, c.error) << c.operands.size();

  // Leading zeros are decimal here as in every other field, and the system is given the
  // address in dotted decimal; hex, short forms and wrapping numbers are no address.
  const RouteOperands r = parseRouteOperands({"add", "010.0.0.0", "255.0.0.0", "010.1.2.009"});
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.addressValue, ip("10.0.0.0"));
  EXPECT_EQ(r.address + " " + r.gateway, "10.0.0.0 10.1.2.9");
  for (const char* bad : {"0x0a.0.0.0", "10.00.0", "10.256.0.0", "10.0.0.0.0"})
    EXPECT_EQ(parseRouteOperands({"add", bad, "255.0.0.0", "1.2.3.4"}).error,
              std::string("ADDRESS '") + bad + "' is not a dotted IPv4 address");
}

// Runs, duplicates, an unknown route and the add command's failure are in the settings lab;
// here a delete without a gateway, which takes every matching row, and a refused deletion.
TEST(ConsoleRouteEdit, DeleteRemovesEveryMatchingRowOrOnlyTheGatewaysOne) {
  resetFake();
  resetConsoleSession();
  ScratchDir scratch;
  consoleErr.fd = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  fake.routes = {row("10.5.0.0", "255.255.0.0", "10.9.0.7", 0),
                 row("10.6.0.0", "255.255.0.0", "10.9.0.7", 0),
                 row("10.5.0.0", "255.255.0.0", "10.9.0.8", 9)};
  auto run = [](std::vector<const char*> args) {
    args.insert(args.begin(), {"vetrel", "--cp1251", "route", "delete"});
    return runRoute(parseCommandLine(static_cast<int>(args.size()), args.data()));
  };
  EXPECT_EQ(run({"10.5.0.0", "255.255.0.0", "10.9.0.8"}), kExitOk);
  ASSERT_EQ(fake.deletedRoutes.size(), 1u);
  EXPECT_EQ(fake.deletedRoutes[0].metric1, 9u);  // the row exactly as read
  EXPECT_EQ(run({"10.5.0.0", "255.255.0.0"}), kExitOk);
  EXPECT_EQ(fake.deletedRoutes.size(), 3u);
  // The hops of a multipath route: either gateway names it, and it is deleted once.
  RouteRow hop1 = row("10.7.0.0", "255.255.0.0", "10.9.0.3", 0), hop2 = hop1;
  hop2.nextHop = inet_addr("10.9.0.4");
  hop1.nextHopAS = hop2.nextHopAS = 2;
  fake.routes.push_back(hop1);
  fake.routes.push_back(hop2);
  for (const char* gateway : {"10.9.0.4", "10.9.0.3", ""}) {
    fake.deletedRoutes.clear();
    std::vector<const char*> args = {"10.7.0.0", "255.255.0.0"};
    if (*gateway) args.push_back(gateway);
    EXPECT_EQ(run(args), kExitOk) << gateway;
    EXPECT_EQ(fake.deletedRoutes.size(), 1u) << gateway;
  }
  fake.deleteRouteResult = 1;
  EXPECT_EQ(run({"10.6.0.0", "255.255.0.0"}), kExitFailure);
  ::close(consoleErr.fd);
  consoleErr.fd = 2;
  EXPECT_NE(readFile("stderr.txt").find("Ошибка удаления маршрута."), std::string::npos);
}
