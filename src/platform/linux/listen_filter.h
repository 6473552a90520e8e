#pragma once
// The classic BPF program of the wire listeners, run by the kernel on every frame of the
// interface before it is copied anywhere.
#include <linux/filter.h>

#include <vector>

// ARP: the Ethernet header and ARP body, with room to spare.
inline constexpr unsigned kArpSnapBytes = 64;
// Neighbour and router discovery, DHCPv6: the whole frame (the kernel cuts it to a ring
// block). A sender pads the options of a frame hosts accept as far as it likes, so any shorter
// cut would hide what lies behind it, or (a cut frame's payload length being more than it
// holds) the whole frame. These frames are few, so whole frames cost nothing in normal traffic.
inline constexpr unsigned kIpv6SnapBytes = 0xffff;

// ARP frames, untagged or with the tag left in the frame (the kernel takes the outer one out
// before the filter runs). With ipv6, also IPv6 frames carrying ICMPv6 types 134-136, or UDP
// from port 547 to port 546, directly or behind one Hop-by-Hop or Destination Options header;
// longer chains of those pass whole, for the reader to judge.
std::vector<sock_filter> listenFilter(bool ipv6);
