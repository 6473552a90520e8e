#include "app/linux/commands/routes_command.h"

#include <algorithm>
#include <cstring>

#include "app/linux/commands/command_directory.h"
#include "app/linux/console/console_locale.h"
#include "app/linux/console/console_text.h"
#include "app/linux/runtime/console_session.h"
#include "app/linux/system/environment_check.h"
#include "base/text_field.h"
#include "platform/route_platform.h"
#include "route/route_table.h"

namespace {
constexpr std::size_t kColumns = 5;

// The kernel's route types that have no interface (linux/rtnetlink.h, RTN_*).
const char* routeTypeName(std::uint32_t type) {
  switch (type) {
    case 6:
      return "blackhole";
    case 7:
      return "unreachable";
    case 8:
      return "prohibit";
    case 9:
      return "throw";
    default:
      return nullptr;
  }
}
const char* const kTitles[kColumns] = {"Адрес", "Маска", "Шлюз", "Интерфейс", "Метрика"};
}  // namespace

std::string formatRouteTable(const std::vector<RouteRow>& rows) {
  std::vector<RouteCells> cells = routeListCells(rows);
  // A route without an interface would show "0x0": its type says more.
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (const char* type = rows[i].ifIndex == 0 ? routeTypeName(rows[i].policy) : nullptr)
      copyField(cells[i].interfaceText, type);
  const auto text = [&](const RouteCells& c, std::size_t column) -> std::string_view {
    const char* const texts[kColumns] = {c.address, c.mask, c.gateway, c.interfaceText, c.metric};
    return texts[column];
  };

  std::size_t width[kColumns];
  for (std::size_t c = 0; c < kColumns; ++c) width[c] = std::strlen(kTitles[c]);
  for (const RouteCells& row : cells)
    for (std::size_t c = 0; c < kColumns; ++c) width[c] = std::max(width[c], text(row, c).size());

  std::string out;
  auto line = [&](auto cell) {
    for (std::size_t c = 0; c < kColumns; ++c) {
      const std::string_view t = cell(c);
      if (c > 0) out += "  ";
      out.append(width[c] - std::min(width[c], t.size()), ' ');
      out += t;
    }
    out += '\n';
  };
  line([](std::size_t c) { return std::string_view(kTitles[c]); });
  for (const RouteCells& row : cells) line([&](std::size_t c) { return text(row, c); });
  return out;
}

bool readRouteTable() {
  std::vector<RouteRow> table;
  const std::uint32_t error = platform::getIpForwardTable(table);
  if (error != 0) {
    warnConsole(std::string("cannot read the route table: ") +
                std::strerror(static_cast<int>(error)));
    return false;
  }
  fillRouteList(table);
  return true;
}

int runRoutes(const CommandLine& cl) {
  chooseConsoleEncoding(cl.forceUtf8, cl.forceCp1251);
  if (!usableDirectory(cl.dir)) return kExitUsage;
  installConsoleHooks();
  if (!readRouteTable()) return kExitFailure;
  return writeConsole(consoleOut, formatRouteTable(RouteRows)) ? kExitOk : kExitFailure;
}
