#pragma once
// The IPv6 neighbour check: each new or changed binding (address, MAC) decided against the
// samples as an ARP row is, whether the neighbour table shows it (runCheck6, watch6.h) or
// the wire watch hears it (decideBinding6). Main thread.
#include <cstdint>
#include <string_view>

#include "ipv6/samples6.h"

// Decides one binding heard outside a table read: e holds the canonical address and the
// MAC ("xx-xx-xx-xx-xx-xx"); ifIndex the interface it was heard on. Nothing when WatchIpv6
// or both AddNew and CheckMac are off, for a binding that is no station's (group or special
// address, no unicast MAC, one of our own addresses with our own MAC), or one either path
// decided already. e gets the sample's name; true when a restore rewrote its MAC. Learned
// samples are saved before it returns.
bool decideBinding6(Address6Entry& e, std::uint32_t ifIndex, bool routerFlag);

// Whether this binding was decided already (by the table's check or by the wire) since the
// address last showed another MAC.
bool bindingDecided6(std::string_view ipText, std::string_view macText);

// The name the samples give a binding: the first sample of its address whose MAC fits (or
// says nothing); empty while CheckMac is off.
std::string_view sampleName6(std::string_view ipText, std::string_view macText);

// Whether the canonical text is one of our own IPv6 addresses, as the last check read them.
bool ownAddress6(std::string_view ipText);

// Forgets the neighbours, the decided bindings, the stations told and the read state.
void resetCheck6();
