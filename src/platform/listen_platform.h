#pragma once
// Live sources of the Linux monitor: the neighbour table's change events and ARP frames read
// off the wire. Linux only; the Windows program keeps its timer-driven check.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/arp_platform.h"

namespace platform {

// Called on the watching thread for each IPv4 neighbour added, changed or (removed) deleted.
using NeighbourSink = void (*)(const ArpRow& row, bool removed);
// Joins the neighbour change events and blocks for the rest of the run, calling onChange per
// event and onOverrun when events were lost (the socket's buffer ran over, ENOBUFS). Returns
// only on a failure: its errno value.
std::uint32_t watchNeighbours(NeighbourSink onChange, void (*onOverrun)());

// Opens a packet socket per interface name, each passing only ARP frames into a ring shared
// with the kernel. 0, or the errno value of the first that failed (ENODEV for an unknown
// name, EPERM without CAP_NET_RAW), whose name is then in failedName; nothing stays open then.
std::uint32_t openArpListeners(const std::vector<std::string>& names, std::string& failedName);
// What one Ethernet/IPv4 ARP frame says, read field by field (addresses in host order, as
// parseIpv4 gives them). Any operation; the reader of the frame does not judge the addresses.
struct HeardArp {
  std::uint16_t operation;  // 1 request, 2 reply, others as sent
  std::uint8_t etherSource[6];
  std::uint8_t senderMac[6];
  std::uint32_t senderIp;
  std::uint8_t targetMac[6];
  std::uint32_t targetIp;
  // An 802.1Q or 802.1ad tag, whether the kernel took it out of the frame or it was left in.
  bool tagged;
  std::uint16_t vlanId;   // 0 for a priority tag
  std::uint32_t ifIndex;  // the interface listened to
};
// Called per ARP frame received from another station on the interface listened to.
using ArpFrameSink = void (*)(void* context, const HeardArp& frame);
// Waits up to timeoutMs for frames and hands over every frame the rings hold. 0 or errno.
std::uint32_t readArpFrames(int timeoutMs, ArpFrameSink sink, void* context);
// Notices listened interfaces that went away (deleted, or re-created under a new index: a
// socket bound to the old one hears nothing again) and listens again on those whose name
// is back. Called now and then by the reading thread; each change once: lost, back, or
// (error set) back but not listened to, tried again on the next call.
struct ArpListenerChange {
  std::string name;
  bool listening;
  std::uint32_t error;
};
std::vector<ArpListenerChange> recheckArpListeners();
// Frames the kernel dropped since the last call because a ring was full.
std::uint64_t takeArpFrameDrops();

}  // namespace platform
