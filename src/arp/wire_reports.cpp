#include "arp/wire_reports.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string_view>

#include "base/address.h"
#include "base/address_input.h"
#include "base/recent_keys.h"
#include "report/event_text.h"
#include "report/journal.h"
#include "route/adapters.h"

namespace {

std::uint64_t macBits(const std::uint8_t (&mac)[6]) {
  std::uint64_t v = 0;
  for (std::uint8_t byte : mac) v = v << 8 | byte;
  return v;
}

// Keyed by a per-run seed, so that chosen senders cannot crowd one set on purpose.
const std::uint64_t keySeed = std::random_device{}();

std::uint64_t keyOf(WireReport kind, std::uint32_t ip, std::uint64_t a, std::uint64_t b) {
  std::uint64_t k = mixKey(keySeed ^ (std::uint64_t{ip} << 8 | static_cast<std::uint8_t>(kind)));
  k = mixKey(k ^ a);
  return mixKey(k ^ b);
}

struct KindWindow {
  double start = -1;  // below 0: no window open
  std::uint32_t lines = 0;
  std::uint64_t held = 0;
};

// Senders per kind: a flood of one kind cannot make another's sender be reported again.
struct Reports {
  RecentKeys senders[kWireReportKinds] = {{4096, kWireReportWindow},
                                          {4096, kWireReportWindow},
                                          {4096, kWireReportWindow},
                                          {4096, kWireReportWindow}};
  MacHistory history{8192};
  KindWindow windows[kWireReportKinds];
};

Reports& reports() {
  static Reports r;  // made when the wire is first heard
  return r;
}

constexpr const char* kLines[kWireReportKinds] = {kWireMismatchLine, kWireGroupSenderLine,
                                                  kWireOffSubnetLine, kWireFlipFlopLine};
constexpr EventKind kKinds[kWireReportKinds] = {Spoofing, Info, Info, Spoofing};

// The line's name without its "! ", for the notes about held lines.
std::string_view labelOf(WireReport kind) {
  std::string_view s = kLines[static_cast<std::size_t>(kind)];
  return s.substr(0, s.size() - 2);
}

void tellHeld(WireReport kind, KindWindow& w) {
  char line[kJournalTextMax + 1];
  const std::string_view label = labelOf(kind);
  std::snprintf(line, sizeof line,
                "Прослушивание сети: не записано строк \"%.*s\" сверх %u за %.0f мин.: %llu.",
                static_cast<int>(label.size()), label.data(),
                static_cast<unsigned>(kWireReportLines), kWireReportWindow / 60,
                static_cast<unsigned long long>(w.held));
  reportEvent(line, Info);
  w.held = 0;
}

void journalReport(WireReport kind, const WireBinding& b, const std::uint8_t* previous) {
  char ip[20], mac[20], ether[20], before[20] = "";
  formatIpv4Host(b.ip, ip);
  formatMac(b.mac, mac);
  formatMac(b.etherSource, ether);
  if (previous) formatMac(previous, before);
  char name[24];
  const LocalAdapter* adapter = localAdapterOf(static_cast<std::int32_t>(b.ifIndex));
  if (adapter && adapter->name[0])
    std::snprintf(name, sizeof name, "%.16s", adapter->name);
  else
    std::snprintf(name, sizeof name, "%u", static_cast<unsigned>(b.ifIndex));
  char line[kJournalTextMax + 1];
  std::snprintf(line, sizeof line, "%s%s %s (%s%s%s%s%s, %s%s)", kLines[static_cast<int>(kind)], ip,
                mac, previous ? kWireTailPrevious : "", before, previous ? ", " : "",
                kWireTailEther, ether, kWireTailInterface, name);
  reportEvent(line, kKinds[static_cast<int>(kind)]);
}

// Once per sender and kind within the window, and a few lines a kind in it.
void report(WireReport kind, std::uint64_t key, const WireBinding& b, double now,
            const std::uint8_t* previous = nullptr) {
  Reports& r = reports();
  if (!r.senders[static_cast<int>(kind)].firstWithin(key, now)) return;
  KindWindow& w = r.windows[static_cast<int>(kind)];
  if (w.start < 0 || now - w.start >= kWireReportWindow) {
    if (w.held) tellHeld(kind, w);
    w.start = now;
    w.lines = 0;
  }
  if (w.lines < kWireReportLines) {
    ++w.lines;
    journalReport(kind, b, previous);
    return;
  }
  if (w.held++ == 0) {
    char line[kJournalTextMax + 1];
    const std::string_view label = labelOf(kind);
    std::snprintf(line, sizeof line,
                  "Прослушивание сети: строк \"%.*s\" больше %u за %.0f мин.; следующие "
                  "только считаются.",
                  static_cast<int>(label.size()), label.data(),
                  static_cast<unsigned>(kWireReportLines), kWireReportWindow / 60);
    reportEvent(line, Info);
  }
}

// An interface without IPv4 addresses has no subnet to be off.
bool offSubnet(const WireBinding& b) {
  const auto index = static_cast<std::int32_t>(b.ifIndex);
  const bool addressed = std::any_of(LocalAddressList.begin(), LocalAddressList.end(),
                                     [index](const LocalAddress& a) { return a.index == index; });
  return addressed && !onLocalSubnet(index, b.ip);
}

}  // namespace

MacHistory::MacHistory(std::size_t capacity) : slots_(keySets(capacity) * kKeyWays, Slot{}) {}

bool MacHistory::goesBack(std::uint32_t ip, const std::uint8_t (&mac)[6], double now, double window,
                          std::uint8_t (&previous)[6]) {
  if (ip == 0) return false;
  Slot* set = &slots_[(mixKey(keySeed ^ ip) & (slots_.size() / kKeyWays - 1)) * kKeyWays];
  Slot* victim = set;
  for (std::size_t i = 0; i < kKeyWays; ++i) {
    Slot& s = set[i];
    if (s.ip == ip) {
      s.used = now;
      if (std::memcmp(s.last, mac, 6) == 0) return false;
      const bool back =
          s.changed >= 0 && now - s.changed <= window && std::memcmp(s.before, mac, 6) == 0;
      std::memcpy(previous, s.last, 6);
      std::memcpy(s.before, s.last, 6);
      std::memcpy(s.last, mac, 6);
      s.changed = now;
      return back;
    }
    if (victim->ip != 0 && (s.ip == 0 || s.used < victim->used)) victim = &s;
  }
  *victim = Slot{ip, {}, {}, -1, now};
  std::memcpy(victim->last, mac, 6);
  return false;
}

void MacHistory::clear() { std::fill(slots_.begin(), slots_.end(), Slot{}); }

bool readWireFrame(const platform::HeardArp& frame, WireBinding& out) {
  out = WireBinding{};
  if (frame.operation != 1 && frame.operation != 2) return false;
  if (frame.tagged && frame.vlanId != 0) return false;  // another VLAN: not this segment
  if (!readArpBinding(frame, out)) {
    out.ip = frame.senderIp;
    std::memcpy(out.mac, frame.senderMac, 6);
    out.ifIndex = frame.ifIndex;
    out.marks = kWireNoBinding;
    if (!isUnicastMac(frame.senderMac)) out.marks |= kWireGroupSender;
  }
  std::memcpy(out.etherSource, frame.etherSource, 6);
  // A group sender names no station, so its Ethernet source cannot agree with it anyway.
  if (!(out.marks & kWireGroupSender) && std::memcmp(frame.etherSource, frame.senderMac, 6) != 0)
    out.marks |= kWireMismatch;
  return out.marks != kWireNoBinding;
}

std::uint64_t wireFrameKey(const WireBinding& b) {
  return keyOf(WireReport::Mismatch, b.ip, macBits(b.mac) << 8 | b.marks, macBits(b.etherSource));
}

bool reportWireFrame(const WireBinding& b, double now) {
  if (b.marks & kWireGroupSender) {
    report(WireReport::GroupSender, keyOf(WireReport::GroupSender, b.ip, macBits(b.mac), 0), b,
           now);
    return false;
  }
  if (b.marks & kWireMismatch)
    report(WireReport::Mismatch,
           keyOf(WireReport::Mismatch, b.ip, macBits(b.mac), macBits(b.etherSource)), b, now);
  if (b.marks & kWireNoBinding) return false;
  if (!offSubnet(b)) return true;
  report(WireReport::OffSubnet, keyOf(WireReport::OffSubnet, b.ip, macBits(b.mac), 0), b, now);
  return false;
}

bool reportWireReturn(const WireBinding& b, double now) {
  std::uint8_t previous[6];
  if (!reports().history.goesBack(b.ip, b.mac, now, kWireReportWindow, previous)) return false;
  // A race between two MACs is one sender, whichever of them came back.
  const std::uint64_t one = macBits(b.mac), other = macBits(previous);
  report(WireReport::FlipFlop,
         keyOf(WireReport::FlipFlop, b.ip, std::min(one, other), std::max(one, other)), b, now,
         previous);
  return true;
}

void journalWireReportsHeld(double now) {
  if (!wireBindingsEnabled()) return;
  for (std::size_t k = 0; k < kWireReportKinds; ++k) {
    KindWindow& w = reports().windows[k];
    if (w.start >= 0 && now - w.start >= kWireReportWindow) {
      if (w.held) tellHeld(static_cast<WireReport>(k), w);
      w.start = -1;
    }
  }
}

void resetWireReports() {
  Reports& r = reports();
  for (RecentKeys& k : r.senders) k.clear();
  r.history.clear();
  for (KindWindow& w : r.windows) w = KindWindow{};
}
