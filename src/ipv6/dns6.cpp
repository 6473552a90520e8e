#include "ipv6/dns6.h"

#include <string>
#include <vector>

#include "base/address_input.h"
#include "base/recent_keys.h"
#include "ipv6/known6.h"
#include "ipv6/watch6.h"
#include "report/event_text.h"
#include "report/journal.h"
#include "route/adapters.h"
#include "settings/settings.h"

namespace {

enum class DnsRead { First, Watching, Off };

struct DnsServers {
  DnsRead state = DnsRead::First;
  OnceKeys known{4096};     // the first read's servers and every server told since
  OnceKeys dhcpTold{4096};  // (address, MAC) of DHCPv6 servers journalled
  std::vector<DnsServerRow> rows;
};

DnsServers& servers() {
  static DnsServers s;  // made when the servers are first looked at
  return s;
}

// The address in the form the samples hold: dotted IPv4 or canonical IPv6 (a zone dropped);
// false for a text that is neither.
bool serverText(std::string_view text, std::string& out) {
  if (looksLikeIpv6(text)) {
    Ipv6Address a;
    std::uint32_t zone = 0;
    if (!readIpv6Text(text, a, &zone)) return false;
    out = formatIpv6(a);
    return true;
  }
  char dotted[20];
  if (!canonicalIpv4Text(text, dotted)) return false;
  out = dotted;
  return true;
}

// What Windows lists on an IPv6 adapter that was given no DNS server: an adapter coming up
// later shows them, and nobody set them.
bool windowsPlaceholder(std::string_view address) {
  return address == "fec0:0:0:ffff::1" || address == "fec0:0:0:ffff::2" ||
         address == "fec0:0:0:ffff::3";
}

}  // namespace

void checkDnsServers() {
  if (!settings.WatchIpv6) return;
  DnsServers& s = servers();
  if (s.state == DnsRead::Off) return;
  s.rows.clear();
  const std::uint32_t result = platform::getDnsServers(s.rows);
  if (result == kErrorNotSupported) s.state = DnsRead::Off;  // the kernel keeps none
  if (result != kOk) return;
  // A program started before the network is up reads no server yet: that is no baseline,
  // or every server the network then gives would be told at each start.
  if (s.state == DnsRead::First && s.rows.empty()) return;
  const bool baseline = s.state == DnsRead::First;
  s.state = DnsRead::Watching;
  std::string address;
  for (const DnsServerRow& row : s.rows) {
    if (!serverText(row.address, address) || !s.known.first(textKey(address)) || baseline) continue;
    if (sampleNamesAddress(address) || windowsPlaceholder(address)) continue;
    const std::string line =
        kNewDnsServerLine + address + " (" + kDnsTailAdapter + row.adapter.substr(0, 128) + ')';
    reportEvent(line.c_str(), Spoofing);
  }
}

void decideDhcp6Server(const platform::HeardIpv6& frame) {
  const Ipv6Address a = ipv6From(frame.source);
  if (!isUnicast6(a) || !isUnicastMac(frame.etherSource) || isLocalMac(frame.etherSource)) return;
  const std::string ip = formatIpv6(a), hardware = macText(frame.etherSource);
  if (judgeBySample6(ip, hardware).fits) return;
  if (!servers().dhcpTold.first(addressMacKey(frame.source, frame.etherSource))) return;
  std::string line = kRogueDhcp6Line + ip + ' ' + hardware;
  if (frame.dnsCount) {
    line += " (";
    line += kRouterTailDns;
    appendAddressList(line, frame.dns, frame.dnsCount);
    line += ')';
  }
  reportEvent(line.c_str(), Spoofing);
}

void resetDns6() {
  DnsServers& s = servers();
  s.state = DnsRead::First;
  s.known.clear();
  s.dhcpTold.clear();
}
