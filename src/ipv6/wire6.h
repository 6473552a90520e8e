#pragma once
// What the wire watch hears of IPv6 (decideHeardIpv6, watch6.h): neighbour frames decided as
// the table's rows, adverts as routers, DHCPv6 servers as servers, and a link-layer option
// that is not the frame's Ethernet source journalled as the ARP frames' mismatch. Main thread.

// Forgets the mismatches told (tests, a new run).
void resetWire6();
