#pragma once
// One route message to a route row, from the plain message bytes.
#include "platform/route_platform.h"

struct nlmsghdr;

inline constexpr std::uint32_t kRouteTypeInvalid = 2;   // blackhole, unreachable, prohibit
inline constexpr std::uint32_t kRouteTypeDirect = 3;    // on the link
inline constexpr std::uint32_t kRouteTypeIndirect = 4;  // through a gateway

// False when the message is not a well-formed IPv4 route of the main table. Destination,
// mask from the prefix length, gateway (0 when none; the first next hop of a multipath
// route), output interface, type, the kernel's protocol number, metric1 from the priority;
// the other fields 0.
bool parseRoute(const nlmsghdr* message, RouteRow& row);
