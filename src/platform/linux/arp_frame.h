#pragma once
// Ethernet ARP frames, built and read field by field with the length checked at every step.
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kArpFrameBytes = 42;        // Ethernet header and ARP body
inline constexpr std::size_t kArpPaddedFrameBytes = 60;  // the Ethernet minimum

// A broadcast request "who has targetIp, tell senderIp" (addresses in network order),
// zero-padded to 60 bytes. 0 when capacity is too small, else the frame's length.
std::size_t buildArpRequest(const std::uint8_t (&senderMac)[6], std::uint32_t senderIp,
                            std::uint32_t targetIp, std::uint8_t* out, std::size_t capacity);

// True when frame is an Ethernet/IPv4 ARP reply whose sender is senderIp; mac then holds the
// sender's hardware address.
bool parseArpReply(const std::uint8_t* frame, std::size_t length, std::uint32_t senderIp,
                   std::uint8_t (&mac)[6]);
// True when frame is a whole Ethernet/IPv4 ARP reply; senderIp (network order) and mac then
// hold its sender's addresses.
bool readArpReply(const std::uint8_t* frame, std::size_t length, std::uint32_t& senderIp,
                  std::uint8_t (&mac)[6]);
