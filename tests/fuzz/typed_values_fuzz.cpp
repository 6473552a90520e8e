// Every typed-value reader on the same text, and the pair readers on its two halves (split at
// the first TAB), as a dialog, the command line or a data file hands them over.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/address6.h"
#include "base/address_input.h"
#include "base/external_text.h"
#include "base/mac_match.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::uint32_t ip;
  std::uint8_t mac[6];
  char canonical[20];
  readIpv4Text(text, ip);
  readMacText(text, mac);
  canonicalMacText(text, canonical);
  canonicalIpv4Text(text, canonical);
  isIpPattern(text);
  isMacPattern(text);
  isUnicastMacText(text);
  sampleMacSaysNothing(text);
  macFaultText(macTextFault(text));
  ipFaultText(ipTextFault(text));
  cleanExternalText(text);
  // The canonical IPv6 text must read back as the same address, and stay as it is.
  Ipv6Address v6, again;
  std::uint32_t zone;
  if (readIpv6Text(text, v6, &zone)) {
    const std::string shown = formatIpv6(v6);
    std::string twice;
    if (!readIpv6Text(shown, again) || !(again == v6) || !canonicalIpv6Text(shown, twice) ||
        twice != shown)
      std::abort();
  }
  isIpv6Pattern(text);
  const std::size_t tab = text.find('\t');
  const std::string_view first = text.substr(0, tab);
  const std::string_view second = tab == text.npos ? std::string_view() : text.substr(tab + 1);
  staticPairFault(first, second);
  matchMacPattern(first, second);
  sameMacText(first, second);
  return 0;
}
