#include "route/route_table.h"

#include <cstdio>

#include "base/address.h"
#include "base/ui_hooks.h"
#include "report/journal.h"
#include "settings/settings.h"

std::vector<RouteRow> RouteRows;
std::atomic<std::uint32_t> routeChangeCount{0};
bool OwnRouteChange = false;
std::mutex routeLock;

void routeWatch(void (*onChange)(std::uint32_t count)) {
  for (;;) {
    if (platform::notifyRouteChange() != 0 && platform::lastErrorCode() != kErrorIoPending) return;
    const std::uint32_t count = routeChangeCount.load() + 1;  // the only writer
    routeChangeCount.store(count);
    if (onChange) onChange(count);
  }
}

void refreshRoutes(std::uint32_t changeNo) {
  // Pumping while waiting lets later notifications in; each runs its own refresh from here,
  // and only the newest one does the work.
  for (int i = 0; i < 10; ++i) {
    uiSleepMs(100);
    uiPumpMessages();
  }
  if (changeNo != 0 && changeNo != routeChangeCount.load()) return;

  std::lock_guard<std::mutex> g(routeLock);
  if (settings.MsgOnRoute && !OwnRouteChange)
    reportEvent("Изменения таблицы маршрутов", RouteChange);
  OwnRouteChange = false;
  std::vector<RouteRow> table;
  if (platform::getIpForwardTable(table) == 0) fillRouteList(table);
}

void fillRouteList(const std::vector<RouteRow>& table) {
  std::vector<IpAddrRow> addresses;
  const bool haveAddresses = platform::getIpAddrTable(addresses) == 0;

  uiHoldRedraw(ListId::Routes, true);
  uiClearList(ListId::Routes);
  RouteRows.clear();
  for (const RouteRow& route : table) {
    char dest[20], mask[20], nextHop[20];
    formatIpv4(route.dest, dest);
    formatIpv4(route.mask, mask);
    formatIpv4(route.nextHop, nextHop);
    const int row = uiAppendRow(ListId::Routes, dest);
    uiSetCell(ListId::Routes, row, 1, mask);
    uiSetCell(ListId::Routes, row, 2, nextHop);
    if (haveAddresses) {
      char interfaceText[20];
      std::snprintf(interfaceText, sizeof interfaceText, "0x%x", route.ifIndex);
      for (const IpAddrRow& a : addresses) {
        if (a.index == route.ifIndex) {
          formatIpv4(a.addr, interfaceText);
          break;
        }
      }
      uiSetCell(ListId::Routes, row, 3, interfaceText);
    }
    char metric[16];
    // Unsigned: the largest metric reads 4294967295, not -1.
    std::snprintf(metric, sizeof metric, "%u", static_cast<unsigned>(route.metric1));
    uiSetCell(ListId::Routes, row, 4, metric);
    RouteRows.push_back(route);
  }
  uiHoldRedraw(ListId::Routes, false);
}
