// One address probed: an ARP request through the system, a reverse name lookup.

// The socket header must come before <windows.h>.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

#include "platform/probe_platform.h"
#include "platform/win32/socket_layer.h"

namespace platform {

std::uint32_t sendArp(std::uint32_t destNetworkOrder, std::uint8_t (&mac)[8],
                      std::uint32_t& length) {
  ULONG len = length;
  const DWORD result = SendARP(destNetworkOrder, 0, mac, &len);
  length = len;
  return result;
}

bool getHostByAddr(std::uint32_t addressNetworkOrder, std::string& name) {
  if (!socketLayerStarted()) return false;
  // The entry belongs to the socket layer's per-thread storage: copy the name at once.
  const hostent* h = gethostbyaddr(reinterpret_cast<const char*>(&addressNetworkOrder), 4, AF_INET);
  if (!h || !h->h_name) return false;
  name = h->h_name;
  return true;
}

// SendARP asks for itself, address by address.
void beginArpSweep(const std::vector<std::uint32_t>&) {}
void narrowArpSweep() {}
void endArpSweep() {}
void restrictArpInterface(std::uint32_t) {}

}  // namespace platform
