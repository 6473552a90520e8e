#pragma once
// The IPv6 watch: neighbours compared with samples6.dat as ARP rows are with samples.dat,
// default routers and DNS servers compared with what is known. Main thread. Every entry point
// does nothing while settings.WatchIpv6 is off.
#include <cstddef>
#include <cstdint>

#include "platform/listen_platform.h"
#include "platform/neighbour6_platform.h"

// Run by the check's tick after the ARP check: the neighbour check, the default routes and
// (where the system keeps them) the adapters' DNS servers.
void watchIpv6Tick();
// The neighbour table read and each new or changed binding decided (Linux runs it on neighbour
// events as well).
void runCheck6();
// The default routes read and each router decided (Linux runs it on route events as well).
void checkRoutes6();
// The adapters' DNS servers compared with those of the first read.
void checkDnsServers();
// A frame the wire watch heard (Linux --listen), decided as the table's rows are.
void decideHeardIpv6(const platform::HeardIpv6& frame, double nowSeconds);
// Forgets every state (tests, a new run, WatchIpv6 switched).
void resetIpv6Watch();
