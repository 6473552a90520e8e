#pragma once
// The IPv6 routes as the route tab's second list shows them: the last table read, default
// routes first, the others in the system's order. Main thread.
#include <string_view>
#include <vector>

#include "platform/neighbour6_platform.h"

extern std::vector<Route6Row> Route6List;

// Takes a table read into Route6List. The list is refilled only when a route came, went or
// changed; when no more than the remaining lifetimes moved, it is only repainted, so a tick
// that finds the table as it was neither flickers nor drops the selection.
void takeRoutes6(const std::vector<Route6Row>& rows);
// Route6List into ListId::Routes6, whether or not it changed.
void showRoutes6();

// The cells of a list that reads its rows when it draws them; empty beyond the list.
// Destination "prefix/length" ("::/0" for a default route), gateway (empty on-link),
// interface index, metric, lifetime in seconds ("бессрочно" for an infinite one).
std::string_view route6ListCell(int row, int column);
inline constexpr int kRoute6Columns = 5;
