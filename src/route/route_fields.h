#pragma once
// The route editor's fields as the route command will get them: each read by the one address
// reader, the mask a run of leading one bits, the metric 1 to 9999 or empty. What passes is
// handed on in dotted-decimal and decimal form, so the command reads what the user saw.
#include <cstdint>
#include <string>

enum class RouteFieldFault { None, Address, Mask, MaskGaps, AddressOutsideMask, Gateway, Metric };

struct RouteFields {
  std::string address, mask, gateway, metric;  // canonical texts; metric may be empty
  std::uint32_t addressValue = 0, maskValue = 0, gatewayValue = 0;  // host order
  std::uint32_t metricValue = 0;                                    // 0 when none was given
};

// Reads the four fields in the dialog's order; the first fault found, None when all pass.
RouteFieldFault readRouteFields(const char* address, const char* mask, const char* gateway,
                                const char* metric, RouteFields& out);
// The message for a fault, naming the field and quoting what was typed.
std::string routeFieldMessage(RouteFieldFault fault, const char* address, const char* mask,
                              const char* gateway, const char* metric);
