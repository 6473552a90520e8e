#include "ipv6/watch6.h"

#include <new>

#include "ipv6/check6.h"
#include "ipv6/dns6.h"
#include "ipv6/routers6.h"
#include "ipv6/wire6.h"
#include "settings/settings.h"

void watchIpv6Tick() {
  if (!settings.WatchIpv6) return;
  try {
    runCheck6();
    checkRoutes6();
    checkDnsServers();
  } catch (const std::bad_alloc&) {
    // What was told stays told; the next tick tries again.
  }
}

void resetIpv6Watch() {
  resetCheck6();
  resetRouters6();
  resetDns6();
  resetWire6();
}
