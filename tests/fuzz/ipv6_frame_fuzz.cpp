// One Ethernet frame read as IPv6 neighbour or router discovery or a DHCPv6 server's message.
// The lists a frame fills never pass their bound, whatever it claims.
#include <cstdint>
#include <cstdlib>

#include "platform/linux/ipv6_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::HeardIpv6 heard;
  if (readIpv6Frame(data, size, heard) &&
      (heard.prefixCount > platform::kHeardListMax || heard.dnsCount > platform::kHeardListMax ||
       heard.kind > platform::HeardIpv6::Dhcp6Server))
    std::abort();
  return 0;
}
