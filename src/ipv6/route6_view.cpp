#include "ipv6/route6_view.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/ui_hooks.h"
#include "ipv6/known6.h"

std::vector<Route6Row> Route6List;

namespace {

constexpr std::uint32_t kLifetimeInfinite = 0xffffffff;

// The cell last asked for: the view stays valid until the next call, which is as long as a
// list reads a cell.
std::string shownCell;

bool allZero(const std::uint8_t (&bytes)[16]) {
  return std::all_of(std::begin(bytes), std::end(bytes), [](std::uint8_t b) { return b == 0; });
}

// Everything the list shows but the lifetime, which counts down on its own.
bool sameRoute(const Route6Row& a, const Route6Row& b) {
  return std::memcmp(a.dest, b.dest, 16) == 0 && a.prefixLength == b.prefixLength &&
         std::memcmp(a.gateway, b.gateway, 16) == 0 && a.ifIndex == b.ifIndex &&
         a.metric == b.metric;
}

std::string cellText(const Route6Row& r, int column) {
  switch (column) {
    case 0:
      return ipv6Text(r.dest) + '/' + std::to_string(r.prefixLength);
    case 1:
      return allZero(r.gateway) ? std::string() : ipv6Text(r.gateway);
    case 2:
      return std::to_string(r.ifIndex);
    case 3:
      return std::to_string(r.metric);
    case 4:
      return r.lifetime == kLifetimeInfinite ? "бессрочно" : std::to_string(r.lifetime);
  }
  return {};
}

}  // namespace

void showRoutes6() {
  if (uiShowRows(ListId::Routes6, Route6List.size())) return;
  // A list that keeps rows of its own is cleared and filled row by row, unseen until done.
  uiHoldRedraw(ListId::Routes6, true);
  uiClearList(ListId::Routes6);
  for (const Route6Row& r : Route6List) {
    const int row = uiAppendRow(ListId::Routes6, cellText(r, 0).c_str());
    for (int c = 1; c < kRoute6Columns; ++c)
      uiSetCell(ListId::Routes6, row, c, cellText(r, c).c_str());
  }
  uiHoldRedraw(ListId::Routes6, false);
}

void takeRoutes6(const std::vector<Route6Row>& rows) {
  std::vector<Route6Row> shown = rows;
  std::stable_partition(shown.begin(), shown.end(),
                        [](const Route6Row& r) { return r.prefixLength == 0; });
  const bool same =
      std::equal(shown.begin(), shown.end(), Route6List.begin(), Route6List.end(), sameRoute);
  const std::vector<Route6Row> before = same ? std::move(Route6List) : std::vector<Route6Row>{};
  Route6List = std::move(shown);
  if (!same) {
    showRoutes6();
    return;
  }
  for (std::size_t i = 0; i < Route6List.size(); ++i)
    if (Route6List[i].lifetime != before[i].lifetime)
      uiSetCell(ListId::Routes6, static_cast<int>(i), 4, cellText(Route6List[i], 4).c_str());
}

std::string_view route6ListCell(int row, int column) {
  if (row < 0 || static_cast<std::size_t>(row) >= Route6List.size()) return {};
  shownCell = cellText(Route6List[static_cast<std::size_t>(row)], column);
  return shownCell;
}
