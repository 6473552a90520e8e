#include "ipv6/wire6.h"

#include <cstring>
#include <string>

#include "base/address_input.h"
#include "base/recent_keys.h"
#include "base/text_field.h"
#include "ipv6/check6.h"
#include "ipv6/dns6.h"
#include "ipv6/known6.h"
#include "ipv6/routers6.h"
#include "ipv6/samples6.h"
#include "ipv6/watch6.h"
#include "report/event_text.h"
#include "report/journal.h"
#include "settings/settings.h"

namespace {

// A link-layer option that is not the frame's Ethernet source: journalled as the ARP
// frames' mismatch is, once per sender within the window and a few lines a window.
constexpr double kMismatchWindow = 600;
constexpr std::uint32_t kMismatchLines = 5;

struct Mismatches {
  RecentKeys senders{4096, kMismatchWindow};
  double windowStart = -1;
  std::uint32_t lines = 0;
};

Mismatches& mismatches() {
  static Mismatches m;  // made when the first mismatch is heard
  return m;
}

void reportMismatch(const std::uint8_t (&address)[16], const platform::HeardIpv6& frame,
                    double now) {
  Mismatches& m = mismatches();
  std::uint8_t bytes[28];
  std::memcpy(bytes, address, 16);
  std::memcpy(bytes + 16, frame.linkAddress, 6);
  std::memcpy(bytes + 22, frame.etherSource, 6);
  if (!m.senders.firstWithin(runKey(bytes, sizeof bytes), now)) return;
  if (m.windowStart < 0 || now - m.windowStart >= kMismatchWindow) {
    m.windowStart = now;
    m.lines = 0;
  }
  if (m.lines >= kMismatchLines) return;
  ++m.lines;
  const std::string line = kWireMismatchLine + ipv6Text(address) + ' ' +
                           macText(frame.linkAddress) + " (" + kWireTailEther +
                           macText(frame.etherSource) + ", " + kWireTailInterface +
                           interfaceText(frame.ifIndex) + ')';
  reportEvent(line.c_str(), Spoofing);
}

void decideHeardBinding(const std::uint8_t (&address)[16], const std::uint8_t (&mac)[6],
                        std::uint32_t ifIndex, bool router) {
  Address6Entry e = makeEntry6();
  copyField(e.ipText, ipv6Text(address));
  copyField(e.macText, macText(mac));
  e.ifIndex = ifIndex;
  decideBinding6(e, ifIndex, router);
}

}  // namespace

void decideHeardIpv6(const platform::HeardIpv6& frame, double nowSeconds) {
  if (!settings.WatchIpv6) return;
  if (frame.tagged && frame.vlanId != 0) return;  // another VLAN: not this segment
  const bool mismatch =
      frame.hasLinkAddress && std::memcmp(frame.linkAddress, frame.etherSource, 6) != 0;
  switch (frame.kind) {
    case platform::HeardIpv6::NeighbourAdvert:
      if (mismatch) reportMismatch(frame.target, frame, nowSeconds);
      decideHeardBinding(frame.target, frame.hasLinkAddress ? frame.linkAddress : frame.etherSource,
                         frame.ifIndex, frame.routerFlag);
      break;
    case platform::HeardIpv6::NeighbourSolicit:
      // Only the option names the sender's MAC; a solicit from :: is an address probe.
      if (frame.hasLinkAddress)
        decideHeardBinding(frame.source, frame.linkAddress, frame.ifIndex, false);
      break;
    case platform::HeardIpv6::RouterAdvert:
      if (mismatch) reportMismatch(frame.source, frame, nowSeconds);
      decideRouterAdvert(frame);
      break;
    case platform::HeardIpv6::Dhcp6Server:
      decideDhcp6Server(frame);
      break;
  }
}

void resetWire6() {
  Mismatches& m = mismatches();
  m.senders.clear();
  m.windowStart = -1;
  m.lines = 0;
}
