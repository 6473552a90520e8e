#pragma once
// DNS servers: the adapters' servers (checkDnsServers, watch6.h) against the first read of
// the run, and DHCPv6 servers heard on the wire against the samples. Both journalled as
// Spoofing: a host that takes an attacker's DNS server follows every name it is given.
// Main thread.
#include "platform/listen_platform.h"

// An Advertise or Reply heard: its server (IPv6 source, Ethernet source) once per address
// and MAC in a run, unless a fitting sample of samples6.dat names it.
void decideDhcp6Server(const platform::HeardIpv6& frame);
void resetDns6();
