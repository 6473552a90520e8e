// The IPv6 neighbour, route and address tables and the adapters' DNS servers over the
// IP Helper calls of Vista and later, and the IPv6 route-change subscription.

// The socket header must come before <windows.h>.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <netioapi.h>
// clang-format on

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/neighbour6_platform.h"

namespace {

// The system allocates these tables; FreeMibTable gives them back on every path.
template <typename Table>
struct MibTable {
  Table* table = nullptr;
  ~MibTable() {
    if (table) FreeMibTable(table);
  }
};

void copyAddress(const IN6_ADDR& from, std::uint8_t (&to)[16]) { std::memcpy(to, &from, 16); }

bool isMulticast(const IN6_ADDR& a) { return a.s6_addr[0] == 0xff; }

bool isLoopback(const IN6_ADDR& a) {
  static const std::uint8_t loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  return std::memcmp(&a, loopback, 16) == 0;
}

Neighbour6Row fromSystemRow(const MIB_IPNET_ROW2& r) {
  Neighbour6Row row;
  row.ifIndex = r.InterfaceIndex;
  copyAddress(r.Address.Ipv6.sin6_addr, row.addr);
  // An unreachable or incomplete row's link-layer bytes are none the system stands by.
  const bool known = r.State != NlnsUnreachable && r.State != NlnsIncomplete && !r.IsUnreachable;
  row.macLength = known ? std::min<ULONG>(r.PhysicalAddressLength, sizeof row.mac) : 0;
  std::memcpy(row.mac, r.PhysicalAddress, row.macLength);
  // The system keeps multicast and loopback rows of its own, as Linux's NOARP ones.
  if (isMulticast(r.Address.Ipv6.sin6_addr) || isLoopback(r.Address.Ipv6.sin6_addr))
    row.type = 1;
  else
    row.type = r.State == NlnsPermanent ? 4 : 3;
  row.router = r.IsRouter;
  return row;
}

// Windows' own placeholders on an adapter that has no IPv6 DNS server configured
// (fec0:0:0:ffff::1 to ::3): no server anyone set.
bool isPlaceholderDns(const IN6_ADDR& a) {
  static const std::uint8_t prefix[15] = {0xfe, 0xc0, 0, 0, 0, 0, 0xff, 0xff, 0, 0, 0, 0, 0, 0, 0};
  return std::memcmp(&a, prefix, 15) == 0 && a.s6_addr[15] >= 1 && a.s6_addr[15] <= 3;
}

constexpr std::size_t kAdapterNameMax = 256;

// An adapter's friendly name in the program's Windows-1251, without control characters.
std::string adapterName(const wchar_t* wide) {
  if (!wide) return {};
  const int length = static_cast<int>(wcsnlen(wide, kAdapterNameMax));
  if (length == 0) return {};
  std::string text(static_cast<std::size_t>(length) * 2, '\0');
  const int n = WideCharToMultiByte(1251, 0, wide, length, text.data(),
                                    static_cast<int>(text.size()), nullptr, nullptr);
  text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  std::string clean;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) clean.push_back(c);
  }
  return clean;
}

// The address text without a zone or port; empty for any other family.
std::string serverText(const SOCKET_ADDRESS& address) {
  const sockaddr* sa = address.lpSockaddr;
  char text[INET6_ADDRSTRLEN] = "";
  if (sa && sa->sa_family == AF_INET && address.iSockaddrLength >= int(sizeof(sockaddr_in))) {
    IN_ADDR a = reinterpret_cast<const sockaddr_in*>(sa)->sin_addr;
    if (!inet_ntop(AF_INET, &a, text, sizeof text)) return {};
  } else if (sa && sa->sa_family == AF_INET6 &&
             address.iSockaddrLength >= int(sizeof(sockaddr_in6))) {
    IN6_ADDR a = reinterpret_cast<const sockaddr_in6*>(sa)->sin6_addr;
    if (isPlaceholderDns(a) || !inet_ntop(AF_INET6, &a, text, sizeof text)) return {};
  } else {
    return {};
  }
  return text;
}

// Each thread's subscription: the system's callback sets the event that the thread waits on.
struct RouteSubscription {
  HANDLE event = nullptr;
  HANDLE notification = nullptr;
  ~RouteSubscription() {
    // Cancelling waits for a callback under way, so the event outlives every SetEvent.
    if (notification) CancelMibChangeNotify2(notification);
    if (event) CloseHandle(event);
  }
};

// Wine exports the neighbour writes as stubs that end the process when called.
bool underWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

void CALLBACK routeChanged(void* context, MIB_IPFORWARD_ROW2*, MIB_NOTIFICATION_TYPE) {
  SetEvent(static_cast<HANDLE>(context));
}

}  // namespace

namespace platform {

std::uint32_t getNeighbours6(std::vector<Neighbour6Row>& rows) {
  MibTable<MIB_IPNET_TABLE2> t;
  const DWORD result = GetIpNetTable2(AF_INET6, &t.table);
  // "Incorrect function": a system that does not read this table (Wine 8).
  if (result == ERROR_INVALID_FUNCTION) return kErrorNotSupported;
  if (result != 0) return result;
  if (!t.table) return kErrorNoData;
  std::vector<Neighbour6Row> read;
  try {
    read.reserve(t.table->NumEntries);
    for (ULONG i = 0; i < t.table->NumEntries; ++i)
      if (t.table->Table[i].Address.si_family == AF_INET6)
        read.push_back(fromSystemRow(t.table->Table[i]));
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  rows = std::move(read);
  return 0;
}

std::uint32_t setNeighbour6(const Neighbour6Row& row) {
  if (row.macLength == 0 || row.macLength > sizeof row.mac) return ERROR_INVALID_PARAMETER;
  if (underWine()) return kErrorNotSupported;
  MIB_IPNET_ROW2 r{};
  r.Address.Ipv6.sin6_family = AF_INET6;
  std::memcpy(&r.Address.Ipv6.sin6_addr, row.addr, 16);
  r.Address.Ipv6.sin6_scope_id = row.ifIndex;
  r.InterfaceIndex = row.ifIndex;
  std::memcpy(r.PhysicalAddress, row.mac, row.macLength);
  r.PhysicalAddressLength = row.macLength;
  r.State = NlnsPermanent;
  const DWORD created = CreateIpNetEntry2(&r);
  // A row the system already holds is changed in place.
  return created == ERROR_OBJECT_ALREADY_EXISTS ? SetIpNetEntry2(&r) : created;
}

std::uint32_t getRoutes6(std::vector<Route6Row>& rows) {
  MibTable<MIB_IPFORWARD_TABLE2> t;
  const DWORD result = GetIpForwardTable2(AF_INET6, &t.table);
  if (result != 0) return result;
  if (!t.table) return kErrorNoData;
  std::vector<Route6Row> read;
  try {
    read.reserve(t.table->NumEntries);
    for (ULONG i = 0; i < t.table->NumEntries; ++i) {
      const MIB_IPFORWARD_ROW2& r = t.table->Table[i];
      if (r.DestinationPrefix.Prefix.si_family != AF_INET6) continue;
      Route6Row row;
      copyAddress(r.DestinationPrefix.Prefix.Ipv6.sin6_addr, row.dest);
      row.prefixLength = r.DestinationPrefix.PrefixLength;
      if (r.NextHop.si_family == AF_INET6) copyAddress(r.NextHop.Ipv6.sin6_addr, row.gateway);
      row.ifIndex = r.InterfaceIndex;
      row.metric = r.Metric;
      row.proto = static_cast<std::uint32_t>(r.Protocol);
      row.lifetime = r.ValidLifetime;
      read.push_back(row);
    }
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  rows = std::move(read);
  return 0;
}

std::uint32_t getAddresses6(std::vector<Address6Row>& rows) {
  MibTable<MIB_UNICASTIPADDRESS_TABLE> t;
  const DWORD result = GetUnicastIpAddressTable(AF_INET6, &t.table);
  if (result != 0) return result;
  if (!t.table) return kErrorNoData;
  std::vector<Address6Row> read;
  try {
    read.reserve(t.table->NumEntries);
    for (ULONG i = 0; i < t.table->NumEntries; ++i) {
      const MIB_UNICASTIPADDRESS_ROW& r = t.table->Table[i];
      if (r.Address.si_family != AF_INET6) continue;
      Address6Row row;
      row.ifIndex = r.InterfaceIndex;
      copyAddress(r.Address.Ipv6.sin6_addr, row.addr);
      row.prefixLength = r.OnLinkPrefixLength;
      read.push_back(row);
    }
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  rows = std::move(read);
  return 0;
}

std::uint32_t getDnsServers(std::vector<DnsServerRow>& rows) {
  const ULONG flags = GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST;
  // 8-byte words: the records hold 64-bit fields. The list may grow between the two calls.
  std::vector<std::uint64_t> words;
  ULONG size = 16 * 1024;
  DWORD result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    try {
      words.assign((size + 7) / 8, 0);
    } catch (const std::bad_alloc&) {
      return ERROR_NOT_ENOUGH_MEMORY;
    }
    size = static_cast<ULONG>(words.size() * 8);
    result = GetAdaptersAddresses(AF_UNSPEC, flags, nullptr,
                                  reinterpret_cast<IP_ADAPTER_ADDRESSES*>(words.data()), &size);
  }
  if (result == ERROR_NO_DATA) {
    rows.clear();
    return 0;
  }
  if (result != 0) return result;
  std::vector<DnsServerRow> read;
  try {
    for (auto* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(words.data()); a; a = a->Next) {
      const std::string name = adapterName(a->FriendlyName);
      for (const IP_ADAPTER_DNS_SERVER_ADDRESS* s = a->FirstDnsServerAddress; s; s = s->Next) {
        std::string text = serverText(s->Address);
        if (text.empty()) continue;
        // Wine leaves the IPv6 index at 0; the adapter is the same.
        const bool v6 = s->Address.lpSockaddr->sa_family == AF_INET6 && a->Ipv6IfIndex != 0;
        read.push_back(DnsServerRow{v6 ? a->Ipv6IfIndex : a->IfIndex, name, std::move(text)});
      }
    }
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  rows = std::move(read);
  return 0;
}

std::uint32_t notifyRoute6Change() {
  thread_local RouteSubscription subscription;
  if (!subscription.event) {
    subscription.event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!subscription.event) return GetLastError();
  }
  if (!subscription.notification) {
    const DWORD result = NotifyRouteChange2(AF_INET6, routeChanged, subscription.event, FALSE,
                                            &subscription.notification);
    if (result != 0) return result;
    // Success without a handle is a subscription that never fires.
    if (!subscription.notification) return kErrorNotSupported;
  }
  if (WaitForSingleObject(subscription.event, INFINITE) != WAIT_OBJECT_0) return GetLastError();
  return 0;
}

}  // namespace platform
