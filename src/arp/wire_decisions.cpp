#include "arp/wire_decisions.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "arp/check_cycle.h"
#include "arp/wire_reports.h"
#include "base/address.h"
#include "base/text_field.h"
#include "platform/arp_platform.h"
#include "route/adapters.h"

namespace {

// An interface listened to again after it was re-created has a new index, and perhaps new
// addresses: the adapters are read again, at most this often, while a binding names an
// interface they do not hold.
constexpr double kRediscoverSeconds = 10;
double lastRediscovery = -kRediscoverSeconds;

void knowInterfaceOf(const WireBinding& b, double now) {
  if (localAdapterOf(static_cast<std::int32_t>(b.ifIndex)) ||
      now - lastRediscovery < kRediscoverSeconds)
    return;
  lastRediscovery = now;
  discoverAdapters();  // a failure keeps the lists as they were
}

}  // namespace

void decideWireBindings(const WireBinding* bindings, std::size_t count) {
  if (!wireBindingsEnabled()) return;
  const double now =
      std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  std::vector<OutsideBinding> fresh;
  for (std::size_t i = 0; i < count; ++i) {
    const WireBinding& b = bindings[i];
    if (!reportWireFrame(b, now)) continue;        // no binding to decide
    if (!learnWireBinding(b.ip, b.mac)) continue;  // seen again as it was, or decided already
    knowInterfaceOf(b, now);
    // A race between two MACs gives its one line, not a decision (and a line) per frame.
    if (reportWireReturn(b, now)) continue;
    OutsideBinding o{};
    formatIpv4Host(b.ip, o.entry.ipText);
    formatMac(b.mac, o.entry.macText);
    copyField(o.entry.typeText, kTypeDynamic);
    o.row.index = b.ifIndex;
    o.row.physAddrLen = 6;
    std::memcpy(o.row.physAddr, b.mac, 6);
    const std::uint8_t wireOrder[4] = {
        static_cast<std::uint8_t>(b.ip >> 24), static_cast<std::uint8_t>(b.ip >> 16),
        static_cast<std::uint8_t>(b.ip >> 8), static_cast<std::uint8_t>(b.ip)};
    std::memcpy(&o.row.addr, wireOrder, 4);
    o.row.type = kArpTypeDynamic;
    fresh.push_back(o);
  }
  if (fresh.empty()) return;
  decideOutsideBindings(fresh, now);
  for (const OutsideBinding& o : fresh) {
    if (o.rewritten) noteWireDecided(o.entry);
  }
}
