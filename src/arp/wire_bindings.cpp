#include "arp/wire_bindings.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "arp/wire_bounds.h"
#include "base/address_input.h"
#include "base/text_field.h"
#include "report/journal.h"

namespace {

bool unicastIp(std::uint32_t ip) {
  const std::uint32_t first = ip >> 24;
  return ip != 0 && first != 0 && first != 127 && first < 224;  // 224 up: multicast, reserved
}

// Keyed by a per-run seed, so that chosen addresses cannot pile up in one probe chain.
std::uint32_t mix(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x85ebca6bu;
  x ^= x >> 13;
  x *= 0xc2b2ae35u;
  return x ^ (x >> 16);
}

std::unique_ptr<BindingTable> wireTable;  // made when the wire is watched
std::atomic<std::uint64_t> pendingDrops{0};
bool dropsJournalled = false;
double lastDropsLine = 0;
constexpr double kDropsLineEvery = 60;

// A row's or sample's MAC in whichever usual form it is written; zeros when none.
void macOf(const AddressEntry& e, std::uint8_t (&mac)[6]) {
  if (!readMacText(fieldView(e.macText), mac)) std::memset(mac, 0, sizeof mac);
}

}  // namespace

bool readArpBinding(const platform::HeardArp& frame, WireBinding& out) {
  if (frame.operation != 1 && frame.operation != 2) return false;
  if (frame.tagged && frame.vlanId != 0) return false;
  if (!unicastIp(frame.senderIp) || !isUnicastMac(frame.senderMac)) return false;
  out.ip = frame.senderIp;
  std::memcpy(out.mac, frame.senderMac, 6);
  out.ifIndex = frame.ifIndex;
  return true;
}

BindingTable::BindingTable(std::size_t capacity) : order_(capacity ? capacity : 1) {
  std::size_t n = 16;
  while (n < 2 * order_.size()) n *= 2;
  slots_.assign(n, Slot{});
  seed_ = std::random_device{}();
}

std::size_t BindingTable::home(std::uint32_t ip) const {
  return mix(ip ^ seed_) & (slots_.size() - 1);
}

std::size_t BindingTable::locate(std::uint32_t ip) const {
  std::size_t i = home(ip);
  while (slots_[i].ip != 0 && slots_[i].ip != ip) i = (i + 1) & (slots_.size() - 1);
  return i;
}

const BindingTable::Slot* BindingTable::find(std::uint32_t ip) const {
  if (ip == 0) return nullptr;
  const Slot& s = slots_[locate(ip)];
  return s.ip == ip ? &s : nullptr;
}

bool BindingTable::learn(std::uint32_t ip, const std::uint8_t (&mac)[6], std::uint8_t tag) {
  if (ip == 0) return false;
  std::size_t i = locate(ip);
  if (slots_[i].ip == ip) {
    Slot& s = slots_[i];
    if (std::memcmp(s.seen, mac, 6) == 0 && s.tag == tag) return false;
    std::memcpy(s.seen, mac, 6);
    s.tag = tag;
    return true;
  }
  if (count_ == order_.size()) {
    erase(locate(order_[head_]));
    head_ = (head_ + 1) % order_.size();
    --count_;
    i = locate(ip);  // the erase may have moved the chain
  }
  Slot& s = slots_[i];
  s.ip = ip;
  std::memcpy(s.seen, mac, 6);
  std::memcpy(s.decided, mac, 6);
  s.tag = tag;
  order_[(head_ + count_) % order_.size()] = ip;
  ++count_;
  return true;
}

void BindingTable::setDecided(std::uint32_t ip, const std::uint8_t (&mac)[6]) {
  if (ip == 0) return;
  Slot& s = slots_[locate(ip)];
  if (s.ip == ip) std::memcpy(s.decided, mac, 6);
}

void BindingTable::erase(std::size_t hole) {
  // Backward shift: later slots of the chain move up, so lookups need no tombstones.
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hole;
  for (;;) {
    slots_[hole].ip = 0;
    for (;;) {
      i = (i + 1) & mask;
      if (slots_[i].ip == 0) return;
      const std::size_t h = home(slots_[i].ip);
      // The entry at i may fill the hole unless its home lies cyclically in (hole, i].
      const bool stays = hole <= i ? (hole < h && h <= i) : (hole < h || h <= i);
      if (!stays) break;
    }
    slots_[hole] = slots_[i];
    hole = i;
  }
}

void BindingTable::clear() {
  slots_.assign(slots_.size(), Slot{});
  head_ = count_ = 0;
}

void enableWireBindings(bool on) {
  if (on && !wireTable) wireTable = std::make_unique<BindingTable>();
  if (!on) wireTable.reset();
}

bool wireBindingsEnabled() { return wireTable != nullptr; }

bool learnWireBinding(std::uint32_t ip, const std::uint8_t (&mac)[6]) {
  return wireTable && wireTable->learn(ip, mac);
}

void noteWireDecided(const AddressEntry& decided) {
  if (!wireTable) return;
  std::uint8_t mac[6];
  macOf(decided, mac);
  wireTable->setDecided(parseIpv4(fieldView(decided.ipText)), mac);
}

bool wireDecided(const AddressEntry& row) {
  if (!wireTable) return false;
  const BindingTable::Slot* s = wireTable->find(parseIpv4(fieldView(row.ipText)));
  if (!s) return false;
  std::uint8_t mac[6];
  macOf(row, mac);
  return std::memcmp(mac, s->seen, 6) == 0 || std::memcmp(mac, s->decided, 6) == 0;
}

void noteRowDecided(const AddressEntry& seen, const AddressEntry& decided) {
  if (!wireTable) return;
  const std::uint32_t ip = parseIpv4(fieldView(seen.ipText));
  std::uint8_t mac[6];
  macOf(seen, mac);
  wireTable->learn(ip, mac);
  macOf(decided, mac);
  wireTable->setDecided(ip, mac);
}

void addWireDrops(std::uint64_t frames) { pendingDrops.fetch_add(frames); }

bool journalWireDrops(double nowSeconds) {
  if (pendingDrops.load() == 0) return false;
  if (dropsJournalled && nowSeconds - lastDropsLine < kDropsLineEvery) return false;
  const std::uint64_t lost = pendingDrops.exchange(0);
  char line[128];
  std::snprintf(line, sizeof line, "Прослушивание сети: потеряно кадров ARP: %llu.",
                static_cast<unsigned long long>(lost));
  reportEvent(line, Info);
  dropsJournalled = true;
  lastDropsLine = nowSeconds;
  return true;
}

void journalWireDropsAtEnd() {
  dropsJournalled = false;  // the once-a-minute rule holds no line back now
  journalWireDrops(0);
}

void resetWireBindings() {
  if (wireTable) wireTable->clear();
  resetWireBounds();
  pendingDrops.store(0);
  dropsJournalled = false;
  lastDropsLine = 0;
}
