#include "arp/wire_decisions.h"

#include <cstring>
#include <vector>

#include "arp/check_cycle.h"
#include "base/address.h"
#include "base/text_field.h"
#include "platform/arp_platform.h"

void decideWireBindings(const WireBinding* bindings, std::size_t count) {
  if (!wireBindingsEnabled()) return;
  std::vector<OutsideBinding> fresh;
  for (std::size_t i = 0; i < count; ++i) {
    const WireBinding& b = bindings[i];
    if (!learnWireBinding(b.ip, b.mac)) continue;  // seen again as it was, or decided already
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
  decideOutsideBindings(fresh);
  for (const OutsideBinding& o : fresh) {
    if (o.rewritten) noteWireDecided(o.entry);
  }
}
