#pragma once
// IPv6 frames of neighbour and router discovery and of DHCPv6 servers, read field by field
// with every length checked. A frame is refused where a host would drop it too (so that the
// watch reports only what can take effect), and read where a host reads it despite a broken
// option (so that an option made to break cannot hide the frame).
#include <cstddef>
#include <cstdint>

#include "platform/listen_platform.h"

// True when frame is an Ethernet frame (untagged, or with one or two VLAN tags) holding an
// IPv6 Neighbor Solicitation, Neighbor Advertisement, Router Advertisement, or a DHCPv6
// Advertise or Reply from server port 547 to client port 546, behind no extension headers
// but Hop-by-Hop and Destination Options; out then holds what it says (ifIndex 0; vlanId the
// first non-zero VID of its tags).
bool readIpv6Frame(const std::uint8_t* frame, std::size_t length, platform::HeardIpv6& out);
