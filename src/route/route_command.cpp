#include <cstring>

#include "platform/route_platform.h"
#include "route/route_fields.h"
#include "route/route_table.h"

namespace {
const char* orEmpty(const char* s) { return s ? s : ""; }
}  // namespace

std::string routeCommandLine(const char* address, const char* mask, const char* gateway,
                             const char* metric) {
  std::string line = "route add ";
  line += orEmpty(address);
  line += " mask ";
  line += orEmpty(mask);
  line += " ";
  line += orEmpty(gateway);
  if (orEmpty(metric)[0] != 0) {
    line += " metric ";
    line += metric;
  }
  return line;
}

bool routeFieldLongEnough(const char* text) { return std::strlen(orEmpty(text)) > 6; }

RouteAddResult addRouteFromFields(const char* address, const char* mask, const char* gateway,
                                  const char* metric) {
  // Whatever follows, the refresh that the system's notification brings is our own.
  OwnRouteChange = true;
  RouteFields f;
  if (readRouteFields(address, mask, gateway, metric, f) != RouteFieldFault::None)
    return RouteAddResult::Refused;
  const std::string line =
      routeCommandLine(f.address.c_str(), f.mask.c_str(), f.gateway.c_str(), f.metric.c_str());
  const RouteAddRequest request{f.address.c_str(), f.mask.c_str(), f.gateway.c_str(),
                                f.metric.c_str(), line.c_str()};
  return platform::addRoute(request) ? RouteAddResult::Started : RouteAddResult::CannotStart;
}

bool deleteRoute(int i) {
  OwnRouteChange = true;
  if (i < 0 || static_cast<std::size_t>(i) >= RouteRows.size()) return false;
  return deleteRouteRow(RouteRows[static_cast<std::size_t>(i)]);
}

bool deleteRouteRow(const RouteRow& row) {
  OwnRouteChange = true;
  return platform::deleteIpForwardEntry(row) == 0;
}
