#pragma once
// Default routers: one that no sample names, or a sample's address with another MAC, takes
// every host's IPv6 traffic. Journalled (Spoofing) once per router address and MAC in a run,
// whichever source shows it first: the table's default routes (checkRoutes6, watch6.h) or a
// router advertisement heard on the wire. Main thread.
#include "platform/listen_platform.h"

// A heard advertisement: the router's MAC from its source link-layer option, else the
// frame's Ethernet source; its prefixes, lifetime and RDNSS servers go into the line.
void decideRouterAdvert(const platform::HeardIpv6& advert);
// Whether a default route's router waits for its MAC since the last checkRoutes6: the
// neighbour table's next change may bring it (a monitor on neighbour events runs checkRoutes6
// again then, rather than waiting for the tick).
bool routerAwaitsMac6();
void resetRouters6();
