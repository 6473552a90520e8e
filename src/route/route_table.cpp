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

std::vector<RouteCells> routeListCells(const std::vector<RouteRow>& rows) {
  std::vector<IpAddrRow> addresses;
  const bool haveAddresses = platform::getIpAddrTable(addresses) == 0;
  std::vector<RouteCells> cells;
  cells.reserve(rows.size());
  for (const RouteRow& route : rows) {
    RouteCells& c = cells.emplace_back();
    formatIpv4(route.dest, c.address);
    formatIpv4(route.mask, c.mask);
    formatIpv4(route.nextHop, c.gateway);
    if (haveAddresses) {
      std::snprintf(c.interfaceText, sizeof c.interfaceText, "0x%x", route.ifIndex);
      for (const IpAddrRow& a : addresses) {
        if (a.index == route.ifIndex) {
          formatIpv4(a.addr, c.interfaceText);
          break;
        }
      }
    }
    // Unsigned: the largest metric reads 4294967295, not -1.
    std::snprintf(c.metric, sizeof c.metric, "%u", static_cast<unsigned>(route.metric1));
  }
  return cells;
}

void fillRouteList(const std::vector<RouteRow>& table) {
  const std::vector<RouteCells> cells = routeListCells(table);
  uiHoldRedraw(ListId::Routes, true);
  uiClearList(ListId::Routes);
  RouteRows = table;
  for (const RouteCells& c : cells) {
    const int row = uiAppendRow(ListId::Routes, c.address);
    uiSetCell(ListId::Routes, row, 1, c.mask);
    uiSetCell(ListId::Routes, row, 2, c.gateway);
    uiSetCell(ListId::Routes, row, 3, c.interfaceText);
    uiSetCell(ListId::Routes, row, 4, c.metric);
  }
  uiHoldRedraw(ListId::Routes, false);
}
