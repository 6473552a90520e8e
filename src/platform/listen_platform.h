#pragma once
// Live sources of the Linux monitor: the neighbour table's change events and ARP frames read
// off the wire. Linux only; the Windows program keeps its timer-driven check.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/arp_platform.h"
#include "platform/neighbour6_platform.h"

namespace platform {

// Called on the watching thread for each IPv4 neighbour added, changed or (removed) deleted.
using NeighbourSink = void (*)(const ArpRow& row, bool removed);
// Joins the neighbour change events and blocks for the rest of the run, calling onChange per
// event and onOverrun when events were lost (the socket's buffer ran over, ENOBUFS). Returns
// only on a failure: its errno value.
std::uint32_t watchNeighbours(NeighbourSink onChange, void (*onOverrun)());
// IPv6 neighbour events of the same watch; set before watchNeighbours. Null: not handed up.
// Events lost from the shared socket are told once, through watchNeighbours' onOverrun.
using Neighbour6Sink = void (*)(const Neighbour6Row& row, bool removed);
void setNeighbour6Sink(Neighbour6Sink onChange);

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
// What one IPv6 frame of neighbour or router discovery or a DHCPv6 server says, read field by
// field with every length and option checked. Lists hold the first kHeardListMax entries.
inline constexpr int kHeardListMax = 8;
struct HeardIpv6 {
  enum Kind : std::uint8_t { NeighbourSolicit, NeighbourAdvert, RouterAdvert, Dhcp6Server };
  Kind kind;
  std::uint8_t etherSource[6];
  std::uint8_t source[16];  // the IPv6 source address
  std::uint8_t target[16];  // NS/NA: the target address; otherwise zero
  // NS/RA: source link-layer option; NA: target link-layer option. Absent: hasLinkAddress false.
  bool hasLinkAddress;
  std::uint8_t linkAddress[6];
  bool routerFlag, solicitedFlag, overrideFlag;  // NA
  std::uint16_t routerLifetime;                  // RA, seconds (0: not a default router)
  std::uint8_t prefixCount;                      // RA prefix information options
  struct Prefix {
    std::uint8_t bytes[16];
    std::uint8_t length;
    std::uint32_t validLifetime;
  } prefixes[kHeardListMax];
  std::uint8_t dnsCount;  // RA RDNSS option, DHCPv6 option 23
  std::uint8_t dns[kHeardListMax][16];
  std::uint8_t dhcpType;  // Dhcp6Server: 2 advertise, 7 reply
  bool tagged;
  std::uint16_t vlanId;
  std::uint32_t ifIndex;
};
using Ipv6FrameSink = void (*)(void* context, const HeardIpv6& frame);
// Set before openArpListeners: the listeners then also pass those IPv6 frames, handed to sink
// by readArpFrames with its context. Null (the default): ARP only, as before.
void listenIpv6(Ipv6FrameSink sink);
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
