#pragma once
// The monitor's live sources: the neighbour table's change events (a check runs on them), the
// IPv6 route events and, with --listen, the ARP frames on the wire (and, with WatchIpv6, the
// IPv6 discovery and DHCPv6 server frames). Their threads hand the main thread work through
// the main queue; the main thread does every comparison.
#include <cstddef>
#include <string>
#include <vector>

#include "arp/wire_bindings.h"
#include "ipv6/bounded_memory.h"
#include "platform/arp_platform.h"
#include "platform/listen_platform.h"
#include "platform/neighbour6_platform.h"

// Whether a neighbour event asks for a check: a binding added, or changed in MAC or type.
// A move between states of an unchanged binding, a row without a link-layer address and a
// deletion do not; heard keeps the last binding per address (a deletion included, so that
// the same binding coming back counts).
bool neighbourChangeCounts(BindingTable& heard, const ArpRow& row, bool removed);
// The IPv6 side of the same filter: the last binding (MAC, type, router flag) per interface
// and address.
using Neighbour6Memory = BoundedMemory<std::string>;
bool neighbour6ChangeCounts(Neighbour6Memory& heard, const Neighbour6Row& row, bool removed);
// Starts the thread that hears neighbour changes (with ipv6, the IPv6 ones too); false when
// it cannot start.
bool startNeighbourWatch(bool ipv6);
// Starts the thread that hears IPv6 route changes; false when it cannot start.
bool startRoute6Watch();
// Opens the listeners on the named interfaces (hearing IPv6 as well while settings.WatchIpv6
// is on) and starts the reading thread. 0, or the
// errno value of the interface in failedName (nothing is then listening).
std::uint32_t startWireListen(const std::vector<std::string>& interfaces, std::string& failedName);

// Main thread: up to max bindings handed over so far, oldest first; true when more wait.
bool takeWireBindings(std::vector<WireBinding>& out, std::size_t max);
// Reading thread: hands a batch over (those beyond the inbox's bound count as lost frames).
void handWireBindings(const std::vector<WireBinding>& batch);

// Bindings waiting for the main thread at most; the reading thread drops beyond it.
inline constexpr std::size_t kWireInboxLimit = 65536;

// Main thread: up to max IPv6 frames handed over so far, oldest first; true when more wait.
bool takeHeardIpv6(std::vector<platform::HeardIpv6>& out, std::size_t max);
// Reading thread: hands a batch over (those beyond the inbox's bound count as lost frames).
void handHeardIpv6(const std::vector<platform::HeardIpv6>& batch);
// IPv6 frames waiting for the main thread at most: far above what a link's discovery sends,
// and each frame is some 400 bytes.
inline constexpr std::size_t kIpv6InboxLimit = 4096;
