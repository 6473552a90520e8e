#include "route/route_fields.h"

#include <string_view>

#include "base/address.h"
#include "base/address_input.h"

namespace {

const char* orEmpty(const char* s) { return s ? s : ""; }

std::string shown(const char* text) {
  return trimBlanks(orEmpty(text)).empty() ? "(пусто)" : std::string(orEmpty(text));
}

std::string dotted(std::uint32_t hostOrder) {
  char text[20];
  formatIpv4Host(hostOrder, text);
  return text;
}

bool readMetric(std::string_view text, std::uint32_t& value) {
  text = trimBlanks(text);
  if (text.empty() || text.size() > 4) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value >= 1;
}

}  // namespace

RouteFieldFault readRouteFields(const char* address, const char* mask, const char* gateway,
                                const char* metric, RouteFields& out) {
  if (!readIpv4Text(orEmpty(address), out.addressValue)) return RouteFieldFault::Address;
  if (!readIpv4Text(orEmpty(mask), out.maskValue)) return RouteFieldFault::Mask;
  const std::uint32_t m = out.maskValue;
  if (m != 0 && (m | (m - 1)) != 0xFFFFFFFFu) return RouteFieldFault::MaskGaps;
  if ((out.addressValue & ~m) != 0) return RouteFieldFault::AddressOutsideMask;
  if (!readIpv4Text(orEmpty(gateway), out.gatewayValue)) return RouteFieldFault::Gateway;
  out.metricValue = 0;
  const bool noMetric = trimBlanks(orEmpty(metric)).empty();
  if (!noMetric && !readMetric(orEmpty(metric), out.metricValue)) return RouteFieldFault::Metric;
  out.address = dotted(out.addressValue);
  out.mask = dotted(out.maskValue);
  out.gateway = dotted(out.gatewayValue);
  out.metric = noMetric ? "" : std::to_string(out.metricValue);
  return RouteFieldFault::None;
}

std::string routeFieldMessage(RouteFieldFault fault, const char* address, const char* mask,
                              const char* gateway, const char* metric) {
  const std::string dottedWhy = " — нужны четыре числа от 0 до 255 через точку.";
  switch (fault) {
    case RouteFieldFault::Address:
      return "Неверный адрес «Адрес»: " + shown(address) + dottedWhy;
    case RouteFieldFault::Mask:
      return "Неверная маска «Маска»: " + shown(mask) + dottedWhy;
    case RouteFieldFault::MaskGaps:
      return "Неверная маска «Маска»: " + shown(mask) + " — единицы маски должны идти подряд.";
    case RouteFieldFault::AddressOutsideMask: {
      std::uint32_t a = 0, m = 0;
      readIpv4Text(orEmpty(address), a);
      readIpv4Text(orEmpty(mask), m);
      return "Неверный адрес «Адрес»: " + shown(address) + " — выходит за маску " + shown(mask) +
             " (адрес сети " + dotted(a & m) + ").";
    }
    case RouteFieldFault::Gateway:
      return "Неверный шлюз «Шлюз»: " + shown(gateway) + dottedWhy;
    case RouteFieldFault::Metric:
      return "Неверная метрика «Метрика»: " + shown(metric) + " — нужно число от 1 до 9999.";
    case RouteFieldFault::None:
      break;
  }
  return "";
}
