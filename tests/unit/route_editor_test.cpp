#include <gtest/gtest.h>

#include "core/address.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "route/route_table.h"
#include "settings/settings.h"

namespace {

std::uint32_t net(const char* dotted) { return hostToNetwork(parseIpv4(dotted)); }

RouteRow route(const char* dest, const char* mask) {
  RouteRow r{};
  r.dest = net(dest);
  r.mask = net(mask);
  return r;
}

TEST(RouteEditorTest, FieldsOfSixCharactersOrFewerAreTooShort) {
  EXPECT_FALSE(routeFieldLongEnough(nullptr));
  EXPECT_FALSE(routeFieldLongEnough(""));
  EXPECT_FALSE(routeFieldLongEnough("1.2.3."));
  EXPECT_TRUE(routeFieldLongEnough("1.2.3.4"));
}

// The row asked about is the row deleted, even when a refresh renumbers the list while the
// question is open.
TEST(RouteEditorTest, KeptRowIsDeletedWhateverTheListHoldsNow) {
  resetFake();
  installUiRecorder();
  settings = Settings{};
  fake.routes = {route("10.0.0.0", "255.0.0.0"), route("10.1.0.0", "255.255.0.0")};
  OwnRouteChange = true;
  refreshRoutes(0);
  ASSERT_EQ(RouteRows.size(), 2u);
  const RouteRow kept = RouteRows[1];
  fake.routes = {route("10.9.0.0", "255.255.0.0"), route("10.0.0.0", "255.0.0.0"),
                 route("10.1.0.0", "255.255.0.0")};
  refreshRoutes(0);
  OwnRouteChange = false;
  EXPECT_TRUE(deleteRouteRow(kept));
  EXPECT_TRUE(OwnRouteChange);
  ASSERT_EQ(fake.deletedRoutes.size(), 1u);
  EXPECT_EQ(fake.deletedRoutes[0].dest, net("10.1.0.0"));
  fake.deleteRouteResult = 5;
  EXPECT_FALSE(deleteRouteRow(kept));
}

}  // namespace
