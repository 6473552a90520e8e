#include "app/linux/commands/route_edit_command.h"

#include <arpa/inet.h>

#include "app/linux/commands/routes_command.h"
#include "app/linux/console/console_locale.h"
#include "app/linux/console/console_text.h"
#include "app/linux/runtime/console_session.h"
#include "app/linux/system/environment_check.h"
#include "base/address.h"
#include "base/address_input.h"
#include "platform/route_platform.h"
#include "route/route_fields.h"
#include "route/route_table.h"

namespace {

// The editor's edits hold 19 characters; longer text would be cut there, so it is refused.
constexpr std::size_t kFieldMax = 19;

// The one reader of typed addresses (leading zeros decimal, as everywhere); the field is
// then passed on in dotted decimal, so the system reads the same address.
bool dotted(std::string& text, std::uint32_t& networkOrder) {
  std::uint32_t host;
  if (!readIpv4Text(text, host)) return false;
  networkOrder = hostToNetwork(host);
  char canonical[20];
  formatIpv4Host(host, canonical);
  text = canonical;
  return true;
}

std::string describe(const RouteOperands& r) {
  std::string s = r.address + " mask " + r.mask;
  if (!r.gateway.empty()) s += " " + r.gateway;
  if (!r.metric.empty()) s += " metric " + r.metric;
  return s;
}

// Rows of RouteRows with the destination and mask, and the gateway when one is given.
std::vector<int> matchingRows(const RouteOperands& r, bool byGateway, bool byMetric) {
  std::vector<int> rows;
  for (std::size_t i = 0; i < RouteRows.size(); ++i) {
    const RouteRow& row = RouteRows[i];
    if (row.dest != r.addressValue || row.mask != r.maskValue) continue;
    if (byGateway && row.nextHop != r.gatewayValue) continue;
    if (byMetric && row.metric1 != r.metricValue) continue;
    rows.push_back(static_cast<int>(i));
  }
  return rows;
}

std::string privilegeHint() {
  return processHasNetAdmin() ? "" : " (changing routes needs CAP_NET_ADMIN: run it as root)";
}

int addRoute(const RouteOperands& r) {
  // The kernel keeps one route per destination, mask and metric.
  if (!matchingRows(r, false, true).empty()) {
    warnConsole("a route to " + r.address + " mask " + r.mask + " with metric " +
                std::to_string(r.metricValue) + " is already in the table");
    return kExitFailure;
  }
  const RouteAddResult result =
      addRouteFromFields(r.address.c_str(), r.mask.c_str(), r.gateway.c_str(), r.metric.c_str());
  if (result == RouteAddResult::Refused) return kExitUsage;  // parseRouteOperands let it by
  if (result == RouteAddResult::CannotStart) {
    warnConsole("Ошибка команды route.");
    return kExitFailure;
  }
  // The request's answer is not reported back, as the route command's exit code is not;
  // the table says whether the route is there.
  if (!readRouteTable()) return kExitFailure;
  if (matchingRows(r, true, true).empty()) {
    warnConsole("Ошибка команды route.\nthe system did not add " + describe(r) + privilegeHint());
    return kExitFailure;
  }
  return kExitOk;
}

int deleteRoutes(const RouteOperands& r) {
  const std::vector<int> rows = matchingRows(r, !r.gateway.empty(), false);
  if (rows.empty()) {
    warnConsole("no route " + describe(r) + " in the table");
    return kExitFailure;
  }
  bool refused = false;
  std::vector<RouteRow> deleted;
  for (int i : rows) {
    // The hops of a multipath route are rows of one route: it goes with the first.
    const RouteRow& row = RouteRows[static_cast<std::size_t>(i)];
    bool gone = false;
    for (const RouteRow& d : deleted)
      gone |= row.nextHopAS > 1 && d.nextHopAS > 1 && d.dest == row.dest && d.mask == row.mask &&
              d.metric1 == row.metric1;
    if (gone) continue;
    deleted.push_back(row);
    if (!deleteRoute(i)) refused = true;
  }
  if (refused) {
    warnConsole("Ошибка удаления маршрута." + privilegeHint());
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

RouteOperands parseRouteOperands(const std::vector<std::string>& operands) {
  RouteOperands r;
  const std::string action = operands.empty() ? "" : operands[0];
  r.add = action == "add";
  if (action != "add" && action != "delete") {
    r.error = action.empty() ? "route needs add or delete"
                             : "unknown route action '" + action + "' (add or delete)";
    return r;
  }
  const std::size_t n = operands.size() - 1;
  if (r.add ? (n < 3 || n > 4) : (n < 2 || n > 3)) {
    r.error = r.add ? "usage: vetrel route add ADDRESS MASK GATEWAY [METRIC]"
                    : "usage: vetrel route delete ADDRESS MASK [GATEWAY]";
    return r;
  }
  r.address = operands[1];
  r.mask = operands[2];
  if (n >= 3) r.gateway = operands[3];
  if (n >= 4) r.metric = operands[4];
  const char* const names[] = {"ADDRESS", "MASK", "GATEWAY"};
  std::string* fields[] = {&r.address, &r.mask, &r.gateway};
  std::uint32_t* values[] = {&r.addressValue, &r.maskValue, &r.gatewayValue};
  for (int i = 0; i < 3; ++i) {
    if (i == 2 && !r.add && r.gateway.empty()) break;
    std::string& f = *fields[i];
    if (!routeFieldLongEnough(f.c_str()) || f.size() > kFieldMax) {
      r.error = std::string(names[i]) + " '" + f + "' must have 7 to 19 characters";
      return r;
    }
    if (!dotted(f, *values[i])) {
      r.error = std::string(names[i]) + " '" + f + "' is not a dotted IPv4 address";
      return r;
    }
  }
  const std::uint32_t m = ntohl(r.maskValue);
  if ((m | (m - 1)) != 0xFFFFFFFFu && m != 0) {
    r.error = "MASK '" + r.mask + "' is not a run of leading one bits";
    return r;
  }
  if ((r.addressValue & ~r.maskValue) != 0) {
    r.error = "ADDRESS '" + r.address + "' has bits outside MASK '" + r.mask + "'";
    return r;
  }
  if (!r.metric.empty()) {
    const bool digits =
        r.metric.size() <= 10 && r.metric.find_first_not_of("0123456789") == std::string::npos;
    const unsigned long long v = digits ? std::stoull(r.metric) : 0;
    if (!digits || v > 0xFFFFFFFFull) {
      r.error = "METRIC '" + r.metric + "' is not a number from 0 to 4294967295";
      return r;
    }
    r.metricValue = static_cast<std::uint32_t>(v);
  }
  // Then the editor's own rules, with its messages.
  RouteFields read;
  const RouteFieldFault fault =
      readRouteFields(r.address.c_str(), r.mask.c_str(), r.gateway.c_str(), r.metric.c_str(), read);
  if (r.add && fault != RouteFieldFault::None)
    r.error = routeFieldMessage(fault, r.address.c_str(), r.mask.c_str(), r.gateway.c_str(),
                                r.metric.c_str());
  return r;
}

int runRoute(const CommandLine& cl) {
  chooseConsoleEncoding(cl.forceUtf8, cl.forceCp1251);
  const RouteOperands r = parseRouteOperands(cl.operands);
  if (!r.error.empty()) {
    warnConsole(r.error + "\nTry 'vetrel --help'.");
    return kExitUsage;
  }
  installConsoleHooks();
  if (!readRouteTable()) return kExitFailure;
  return r.add ? addRoute(r) : deleteRoutes(r);
}
