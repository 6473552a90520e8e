#pragma once
// The IPv6 side of the system's tables: neighbours (the NDP cache), default routes, our own
// addresses and the DNS servers set on the adapters. Results are the platform's codes as in
// arp_platform.h: 0 on success, 50 when the system does not offer the call, otherwise a
// Win32 error code or an errno value.
//
// Windows: GetIpNetTable2/SetIpNetEntry2/CreateIpNetEntry2 (AF_INET6), GetIpForwardTable2,
//   GetUnicastIpAddressTable, GetAdaptersAddresses, NotifyRouteChange2.
//   Under Wine 8 (proven by the backend tests under Wine): GetUnicastIpAddressTable and the DNS
//   servers of GetAdaptersAddresses are real (every adapter lists the resolver file's servers,
//   with Ipv6IfIndex 0); GetIpNetTable2(AF_INET6) answers 1 (not implemented), which
//   getNeighbours6 answers as 50; GetIpForwardTable2(AF_INET6) answers 0 with no rows;
//   NotifyRouteChange2 answers 0 without a handle and never calls back, which
//   notifyRoute6Change answers as 50; CreateIpNetEntry2 and SetIpNetEntry2 are stubs that end
//   the process, so setNeighbour6 answers 50 under Wine without calling them.
// Linux: rtnetlink AF_INET6 neighbours, routes of the main table and addresses; DNS servers
//   are not kept by the kernel (getDnsServers answers 50, no rows; the wire watch hears them).
//   The other calls answer 0 or an errno value (never a number of platform/errors.h); on a
//   failure the rows given are left as they were.
//   getNeighbours6: as getIpNetTable of arp_platform.h: EAGAIN when a change cut through each
//     attempt to read the table whole, EINTR/ENOBUFS likewise for interrupted or overflowing
//     dumps, socket errors (EMFILE, ENOMEM, ...); type 4 NUD_PERMANENT, 1 NUD_NOARP, 3 any
//     other state; macLength 0 for a binding without link-layer address, a longer one than 8
//     bytes cut to 8. An empty table is 0 with no rows.
//   setNeighbour6: RTM_NEWNEIGH create-or-replace, NUD_PERMANENT. EINVAL for a macLength other
//     than 6, no interface or one with IPv6 off; EPERM without CAP_NET_ADMIN, ENODEV for an
//     unknown interface.
//   getRoutes6: unicast routes only (blackhole, unreachable, prohibit and cached clones left
//     out), a row per hop of a multipath route; proto is rtm_protocol (9: ra); lifetime from
//     the route's expiry, rounded up. EAGAIN/EINTR/ENOBUFS as getNeighbours6.
//   getAddresses6: every scope (link-local, global, loopback), tentative and deprecated ones
//     too; IFA_LOCAL before IFA_ADDRESS (the peer on a point-to-point link).
//   notifyRoute6Change: RTNLGRP_IPV6_ROUTE on a socket kept per thread; lost events (ENOBUFS)
//     count as a change; any other socket error ends the watch with its errno value.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"

// One IPv6 neighbour. type as ArpRow's: 4 permanent/static, 3 any other state the kernel
// learned, 1 made by the system (NOARP: multicast, loopback).
struct Neighbour6Row {
  std::uint32_t ifIndex = 0;
  std::uint8_t addr[16] = {};
  std::uint8_t mac[8] = {};
  std::uint32_t macLength = 0;  // 0: no link-layer address known (incomplete, failed)
  std::uint32_t type = 0;
  bool router = false;  // the neighbour said it is a router (NTF_ROUTER, IsRouter)
};

// One IPv6 route of the main table. A default route has prefixLength 0.
struct Route6Row {
  std::uint8_t dest[16] = {};
  std::uint8_t prefixLength = 0;
  std::uint8_t gateway[16] = {};  // all zero: on-link
  std::uint32_t ifIndex = 0;
  std::uint32_t metric = 0;
  std::uint32_t proto = 0;     // Linux: 9 (ra) for routes learned from router advertisements
  std::uint32_t lifetime = 0;  // seconds left; 0xffffffff infinite or not known
};

// One of our own IPv6 addresses.
struct Address6Row {
  std::uint32_t ifIndex = 0;
  std::uint8_t addr[16] = {};
  std::uint8_t prefixLength = 0;
};

// One DNS server set on an adapter, IPv4 or IPv6, as the system's text.
struct DnsServerRow {
  std::uint32_t ifIndex = 0;
  std::string adapter;  // its name, cleaned of control characters by the reader
  std::string address;  // "192.0.2.1" or "fe80::1" (no zone)
};

namespace platform {

std::uint32_t getNeighbours6(std::vector<Neighbour6Row>& rows);
// Writes the row as a permanent (static) neighbour: interface, address, MAC. 0 on success.
std::uint32_t setNeighbour6(const Neighbour6Row& row);
std::uint32_t getRoutes6(std::vector<Route6Row>& rows);
std::uint32_t getAddresses6(std::vector<Address6Row>& rows);
std::uint32_t getDnsServers(std::vector<DnsServerRow>& rows);
// Blocks until the IPv6 routing table changes: 0 then. Any other value ends the watch (50:
// the system cannot tell). Each thread keeps its own subscription between calls.
std::uint32_t notifyRoute6Change();

}  // namespace platform
