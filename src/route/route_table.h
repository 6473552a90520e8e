#pragma once
// The route list, its refresh on change notifications and the route editor's actions.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/route_platform.h"

extern std::vector<RouteRow> RouteRows;              // the rows shown, in the system's order
extern std::atomic<std::uint32_t> routeChangeCount;  // written by routeWatch only
extern bool OwnRouteChange;  // the next refresh is the program's own and is not reported
extern std::mutex routeLock;

// The watch thread's body: waits for changes and hands each count to onChange.
// Returns when the wait fails with anything but "pending".
void routeWatch(void (*onChange)(std::uint32_t count));

// Main thread. changeNo 0: a refresh that no notification caused.
void refreshRoutes(std::uint32_t changeNo);
void fillRouteList(const std::vector<RouteRow>& table);

// The route list's texts of one route.
struct RouteCells {
  char address[20];
  char mask[20];
  char gateway[20];
  // The address of the route's interface, else "0x" and its index; empty when the system's
  // address table cannot be read.
  char interfaceText[20];
  char metric[16];
};
// Reads the address table once for the interface texts.
std::vector<RouteCells> routeListCells(const std::vector<RouteRow>& rows);

// "route add A mask M G[ metric N]".
std::string routeCommandLine(const char* address, const char* mask, const char* gateway,
                             const char* metric);
// An address, mask or gateway of 6 characters or fewer is no value: the editor does nothing.
bool routeFieldLongEnough(const char* text);
// The route dialog's OK in add mode: Refused when readRouteFields finds a fault (nothing is
// started), else the command with the fields in their canonical form.
enum class RouteAddResult { Refused, Started, CannotStart };
RouteAddResult addRouteFromFields(const char* address, const char* mask, const char* gateway,
                                  const char* metric);
// Deletes RouteRows[i]; false when the system refuses (the caller shows the message).
bool deleteRoute(int i);
// Deletes row as it was read from the system; false when the system refuses.
bool deleteRouteRow(const RouteRow& row);
// Command 3017 on RouteRows[row]: asks, then deletes the copy of that row taken before asking;
// a refusal shows "Ошибка удаления маршрута.". No such row: nothing.
void deleteChosenRoute(int row);
