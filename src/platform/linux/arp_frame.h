#pragma once
// Ethernet ARP frames, built and read field by field with the length checked at every step.
#include <cstddef>
#include <cstdint>

#include "platform/listen_platform.h"

inline constexpr std::size_t kArpFrameBytes = 42;        // Ethernet header and ARP body
inline constexpr std::size_t kArpPaddedFrameBytes = 60;  // the Ethernet minimum

// A broadcast request "who has targetIp, tell senderIp" (addresses in network order),
// zero-padded to 60 bytes. 0 when capacity is too small, else the frame's length.
std::size_t buildArpRequest(const std::uint8_t (&senderMac)[6], std::uint32_t senderIp,
                            std::uint32_t targetIp, std::uint8_t* out, std::size_t capacity);

// The four addresses of an ARP reply's body (IPv4 addresses in network order).
struct ArpReply {
  std::uint8_t senderMac[6];
  std::uint32_t senderIp;
  std::uint8_t targetMac[6];
  std::uint32_t targetIp;
};

// True when frame is a whole Ethernet/IPv4 ARP frame of any operation, untagged or with one
// VLAN tag in it; heard then holds its fields (ifIndex 0, and a tag only from the frame).
bool readArpFrame(const std::uint8_t* frame, std::size_t length, platform::HeardArp& heard);
// True when frame is a whole Ethernet/IPv4 ARP reply (opcode 2) of no VLAN but the
// untagged one (VID 0 counts as untagged); reply then holds its body.
bool readArpReply(const std::uint8_t* frame, std::size_t length, ArpReply& reply);
// True when reply answers a request of ours: its target is our MAC and address (a gratuitous
// or broadcast reply is no answer) and its sender MAC a unicast, non-zero address.
bool answersUs(const ArpReply& reply, const std::uint8_t (&ownMac)[6], std::uint32_t ownIp);
// True when frame is a reply of senderIp that answersUs; mac then holds the sender's MAC.
bool parseArpReply(const std::uint8_t* frame, std::size_t length, std::uint32_t senderIp,
                   const std::uint8_t (&ownMac)[6], std::uint32_t ownIp, std::uint8_t (&mac)[6]);
