#pragma once
// One route message to a route row, from the plain message bytes.
#include <vector>

#include "platform/route_platform.h"

struct nlmsghdr;

inline constexpr std::uint32_t kRouteTypeInvalid = 2;   // blackhole, unreachable, prohibit
inline constexpr std::uint32_t kRouteTypeDirect = 3;    // on the link
inline constexpr std::uint32_t kRouteTypeIndirect = 4;  // through a gateway

// False when the message is not a well-formed IPv4 route of the main table. Otherwise appends
// its rows: destination, mask from the prefix length, gateway (0 when none), output
// interface, type, the kernel's protocol number, metric1 from the priority; policy the
// kernel's route type (RTN_*) when it is not unicast. A multipath route gives a row per hop,
// with nextHopAS the number of hops. The other fields 0.
bool parseRoutes(const nlmsghdr* message, std::vector<RouteRow>& rows);
// The first row of parseRoutes.
bool parseRoute(const nlmsghdr* message, RouteRow& row);
