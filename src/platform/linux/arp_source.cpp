#include "platform/linux/arp_source.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/linux/interface_tables.h"
#include "platform/probe_platform.h"

namespace {
std::atomic<std::uint32_t> onlyInterface{0};
}

namespace platform {
void restrictArpInterface(std::uint32_t ifIndex) { onlyInterface.store(ifIndex); }
}  // namespace platform

std::uint32_t chooseArpSource(std::uint32_t dest, const std::vector<AddressRecord>& addresses,
                              const std::vector<LinkRecord>& links, ArpSource& source) {
  const AddressRecord* chosen = nullptr;
  const std::uint32_t only = onlyInterface.load();
  for (const AddressRecord& a : addresses) {
    if (only != 0 && a.index != only) continue;
    const std::uint32_t mask = prefixMask(a.prefixLength);
    if ((a.address & mask) == (dest & mask)) {
      chosen = &a;
      break;
    }
  }
  if (!chosen) return ENETUNREACH;
  for (const LinkRecord& l : links)
    if (l.index == chosen->index) {
      if (l.loopback || l.macLength != 6) return EOPNOTSUPP;
      source.ifIndex = chosen->index;
      source.address = chosen->address;
      std::memcpy(source.mac, l.mac, 6);
      return 0;
    }
  return ENODEV;
}

std::uint32_t findArpSource(std::uint32_t dest, ArpSource& source) {
  std::vector<AddressRecord> addresses;
  if (std::uint32_t e = readAddresses(addresses)) return e;
  std::vector<LinkRecord> links;
  if (std::uint32_t e = readLinks(links)) return e;
  return chooseArpSource(dest, addresses, links, source);
}

std::uint32_t openArpSocket(std::uint32_t ifIndex, int& fd) {
  // Protocol 0 at creation hooks the socket nowhere; bind hooks it once, on one interface.
  fd = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
  if (fd < 0) return errno;
  sockaddr_ll bound{};
  bound.sll_family = AF_PACKET;
  bound.sll_protocol = htons(ETH_P_ARP);
  bound.sll_ifindex = static_cast<int>(ifIndex);
  if (bind(fd, reinterpret_cast<sockaddr*>(&bound), sizeof bound) < 0) {
    const std::uint32_t error = errno;
    close(fd);
    fd = -1;
    return error;
  }
  return 0;
}
