#include <cstring>
#include <utility>

#include "base/external_text.h"
#include "platform/route_platform.h"
#include "route/route_fields.h"
#include "route/route_table.h"

namespace {
const char* orEmpty(const char* s) { return s ? s : ""; }
}  // namespace

std::string routeCommandLine(const char* address, const char* mask, const char* gateway,
                             const char* metric) {
  std::string line = "route add ";
  line += orEmpty(address);
  line += " mask ";
  line += orEmpty(mask);
  line += " ";
  line += orEmpty(gateway);
  if (orEmpty(metric)[0] != 0) {
    line += " metric ";
    line += metric;
  }
  return line;
}

bool routeFieldLongEnough(const char* text) { return std::strlen(orEmpty(text)) > 6; }

RouteAddResult addRouteFromFields(const char* address, const char* mask, const char* gateway,
                                  const char* metric, RouteCommandFailure* failure) {
  // Whatever follows, the refresh that the system's notification brings is our own.
  OwnRouteChange = true;
  RouteFields f;
  if (readRouteFields(address, mask, gateway, metric, f) != RouteFieldFault::None)
    return RouteAddResult::Refused;
  const std::string line =
      routeCommandLine(f.address.c_str(), f.mask.c_str(), f.gateway.c_str(), f.metric.c_str());
  const RouteAddRequest request{f.address.c_str(), f.mask.c_str(), f.gateway.c_str(),
                                f.metric.c_str(), line.c_str()};
  RouteCommandFailure said;
  if (!platform::addRoute(request, &said)) return RouteAddResult::CannotStart;
  if (said.code == 0) return RouteAddResult::Started;
  if (failure) *failure = std::move(said);
  return RouteAddResult::Failed;
}

std::string routeFailureMessage(const RouteCommandFailure& failure) {
  std::string text = "Ошибка команды route.\nКод завершения: " + std::to_string(failure.code) + ".";
  // The command's own lines, without the control bytes a console program may print.
  std::string said;
  for (char c : failure.output) {
    if (c == '\n' || c == '\t' || !isControlByte(static_cast<unsigned char>(c))) said += c;
  }
  const std::size_t start = said.find_first_not_of(" \n");
  if (start != std::string::npos)
    text += "\n\n" + said.substr(start, said.find_last_not_of(" \n") + 1 - start);
  return text;
}

std::string routeFailureLine(const char* commandLine, const RouteCommandFailure& failure) {
  // One journal line: the command's lines joined, each cleaned where it enters.
  std::string said;
  std::size_t from = 0;
  while (from <= failure.output.size()) {
    const std::size_t end = failure.output.find_first_of("\r\n", from);
    const std::string part = cleanExternalText(
        std::string_view(failure.output)
            .substr(from, end == std::string::npos ? std::string::npos : end - from));
    if (part.find_first_not_of(' ') != std::string::npos) said += (said.empty() ? "" : " ") + part;
    if (end == std::string::npos) break;
    from = end + 1;
  }
  std::string line = "Ошибка команды route: " + std::string(orEmpty(commandLine)) +
                     " — код завершения " + std::to_string(failure.code);
  if (!said.empty()) line += ": " + said;
  return line;
}

bool deleteRoute(int i) {
  OwnRouteChange = true;
  if (i < 0 || static_cast<std::size_t>(i) >= RouteRows.size()) return false;
  return deleteRouteRow(RouteRows[static_cast<std::size_t>(i)]);
}

bool deleteRouteRow(const RouteRow& row) {
  OwnRouteChange = true;
  return platform::deleteIpForwardEntry(row) == 0;
}
