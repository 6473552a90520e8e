#pragma once
// Bindings seen on the wire (ARP requests and replies read from a packet socket): what a
// frame says, the bounded memory of what was seen, and their comparison with the samples
// through the check's own decisions. A binding that both the wire and the ARP table show is
// decided once, by whichever path meets it first.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/address.h"
#include "platform/listen_platform.h"

// What one ARP frame says about its sender.
struct WireBinding {
  std::uint32_t ip;  // host order, as parseIpv4 gives it
  std::uint8_t mac[6];
  std::uint32_t ifIndex;             // the interface it was heard on
  std::uint8_t etherSource[6] = {};  // the frame's (arp/wire_reports.h)
  std::uint8_t marks = 0;            // what else the frame shows (arp/wire_reports.h)
};

// A flood of random senders must not grow memory without end: the remembered bindings are
// this many at most, the oldest forgotten first.
inline constexpr std::size_t kWireBindingCapacity = 65536;

// An ARP request or reply of the interface's own segment (untagged, or tagged with VID 0:
// another VLAN is listened to by naming its sub-interface) whose sender is a unicast
// station: IP not 0.0.0.0 (address probes), not loopback, multicast or broadcast, MAC
// neither zero nor a group address.
bool readArpBinding(const platform::HeardArp& frame, WireBinding& out);

// IP to the MAC last seen for it and the MAC its decision left in the table (a restore or a
// block writes another one). Open addressing in fixed arrays; first-in first-out forgetting.
class BindingTable {
 public:
  struct Slot {
    std::uint32_t ip;  // 0: empty (0.0.0.0 is never remembered)
    std::uint8_t seen[6];
    std::uint8_t decided[6];
    std::uint8_t tag;  // what else the caller keeps apart (the neighbour filter: the row type)
  };

  explicit BindingTable(std::size_t capacity = kWireBindingCapacity);
  // Remembers mac (and tag) as seen for ip; true when ip was not remembered or was seen with
  // another MAC or tag. A new ip takes decided = mac and, when the table is full, forgets the
  // oldest remembered ip.
  bool learn(std::uint32_t ip, const std::uint8_t (&mac)[6], std::uint8_t tag = 0);
  void setDecided(std::uint32_t ip, const std::uint8_t (&mac)[6]);
  const Slot* find(std::uint32_t ip) const;
  void clear();
  std::size_t remembered() const { return count_; }
  std::size_t capacity() const { return order_.size(); }

 private:
  std::size_t home(std::uint32_t ip) const;
  std::size_t locate(std::uint32_t ip) const;  // its slot, or the empty slot it would take
  void erase(std::size_t slot);

  std::vector<Slot> slots_;           // a power of two, at least twice the capacity
  std::vector<std::uint32_t> order_;  // remembered ips, oldest at head_
  std::size_t head_ = 0, count_ = 0;
  std::uint32_t seed_;
};

// Main thread. Off until the wire is watched; while off, the calls below do nothing and a
// check decides every changed row as before.
void enableWireBindings(bool on);
bool wireBindingsEnabled();
// Remembers mac as seen for ip; true when it is new for ip (to be decided). False while off.
bool learnWireBinding(std::uint32_t ip, const std::uint8_t (&mac)[6]);
// A restore or a block wrote decided's binding: seen again as written, it is not new.
void noteWireDecided(const AddressEntry& decided);
// For the check: whether the wire path (or an earlier check) already decided this changed
// row, and the note of a row the check decided (seen: as read; decided: as written).
bool wireDecided(const AddressEntry& row);
void noteRowDecided(const AddressEntry& seen, const AddressEntry& decided);
// Frames lost on the way in (any thread). The count is journalled as one Info line at most
// once a minute (the first at once); nowSeconds is a steady clock. True when a line was written.
void addWireDrops(std::uint64_t frames);
bool journalWireDrops(double nowSeconds);
// At shut-down: what was lost since the last line, whenever that was.
void journalWireDropsAtEnd();
// Forgets every binding and the drop counts (tests, and a new run).
void resetWireBindings();
