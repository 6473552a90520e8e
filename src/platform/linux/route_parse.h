#pragma once
// One route message to route rows, from the plain message bytes.
#include <vector>

#include "platform/neighbour6_platform.h"
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

// False when the message is not a well-formed IPv6 unicast route of the main table (cached
// clones, blackhole, unreachable and prohibit routes carry no one's traffic: left out).
// Otherwise appends its rows as parseRoutes does, a row per hop of a multipath route; lifetime
// from the expiry of RTA_CACHEINFO, rounded up to whole seconds, 0 once past, 0xffffffff for
// a route that does not expire. ticksPerSecond: the unit of that expiry (USER_HZ).
bool parseRoutes6(const nlmsghdr* message, std::vector<Route6Row>& rows, long ticksPerSecond = 100);
