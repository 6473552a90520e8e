#include "scan/probe.h"

#include <cstring>
#include <string>

#include "base/address.h"
#include "base/external_text.h"
#include "base/text_field.h"
#include "base/windows1251.h"
#include "platform/probe_platform.h"

bool probeMac(std::uint32_t addressNetworkOrder, char (&macText)[20]) {
  // Bytes the system leaves unfilled read "ff".
  std::uint8_t mac[8];
  std::memset(mac, 0xFF, sizeof mac);
  std::uint32_t length = 6;
  if (platform::sendArp(addressNetworkOrder, mac, length) != 0) return false;
  formatMac(mac, macText);
  return true;
}

bool probeName(std::uint32_t addressNetworkOrder, char* name, std::size_t capacity) {
  std::string found;
  if (!platform::getHostByAddr(addressNetworkOrder, found)) return false;
  // A name from /etc/hosts or another NSS source may hold anything; it is shown, printed,
  // and stored in samples.dat rows, which are Windows-1251 ('?' for what that cannot hold).
  if (platform::kHostNamesInUtf8) found = windows1251FromUtf8(found);
  if (name) copyText(name, capacity, cleanExternalText(found));
  return true;
}
