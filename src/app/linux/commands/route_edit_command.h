#pragma once
// vetrel route add ADDRESS MASK GATEWAY [METRIC] | route delete ADDRESS MASK [GATEWAY]:
// the route editor and the route list's delete command without windows.
#include <cstdint>
#include <string>
#include <vector>

#include "app/linux/command_line.h"

struct RouteOperands {
  bool add = false;                            // otherwise delete
  std::string address, mask, gateway, metric;  // as given; gateway and metric may be empty
  std::uint32_t addressValue = 0, maskValue = 0, gatewayValue = 0;  // network order
  std::uint32_t metricValue = 0;
  std::string error;  // non-empty: unusable
};
RouteOperands parseRouteOperands(const std::vector<std::string>& operands);

int runRoute(const CommandLine& cl);
