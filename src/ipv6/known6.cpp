#include "ipv6/known6.h"

#include <cstring>
#include <random>

#include "base/address.h"
#include "base/address_input.h"
#include "base/mac_match.h"
#include "base/recent_keys.h"
#include "base/text_field.h"
#include "ipv6/samples6.h"
#include "platform/listen_platform.h"
#include "route/adapters.h"

namespace {

// Keyed by a per-run seed, so that chosen senders cannot crowd one set on purpose.
const std::uint64_t keySeed = std::random_device{}();

}  // namespace

SampleVerdict6 judgeBySample6(std::string_view ipText, std::string_view macText) {
  SampleVerdict6 v;
  v.index = findSample6(ipText);
  if (v.index < 0) return v;
  const std::string_view sampleMac = fieldView(Sample6List[v.index].macText);
  v.fits = matchMacPattern(sampleMac, macText) || sampleMacSaysNothing(sampleMac);
  return v;
}

bool sampleNamesAddress(std::string_view ipText) {
  if (looksLikeIpv6(ipText)) return findSample6(ipText) >= 0;
  for (const AddressEntry& s : SampleList)
    if (matchPattern(fieldView(s.ipText), ipText)) return true;
  return false;
}

std::uint64_t runKey(const std::uint8_t* bytes, std::size_t count) {
  return bytesKey(keySeed, bytes, count);
}

std::uint64_t addressMacKey(const std::uint8_t (&address)[16], const std::uint8_t (&mac)[6]) {
  std::uint8_t bytes[22];
  std::memcpy(bytes, address, 16);
  std::memcpy(bytes + 16, mac, 6);
  return runKey(bytes, sizeof bytes);
}

std::uint64_t textKey(std::string_view text) {
  return runKey(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

Ipv6Address ipv6From(const std::uint8_t (&bytes)[16]) {
  Ipv6Address a;
  std::memcpy(a.bytes, bytes, 16);
  return a;
}

std::string ipv6Text(const std::uint8_t (&bytes)[16]) { return formatIpv6(ipv6From(bytes)); }

std::string macText(const std::uint8_t (&mac)[6]) {
  char text[20];
  formatMac(mac, text);
  return text;
}

std::string interfaceText(std::uint32_t ifIndex) {
  const LocalAdapter* adapter = localAdapterOf(static_cast<std::int32_t>(ifIndex));
  if (adapter && adapter->name[0]) return std::string(fieldView(adapter->name).substr(0, 16));
  return std::to_string(ifIndex);
}

void appendAddressList(std::string& out, const std::uint8_t (*addresses)[16], std::size_t count) {
  if (count > platform::kHeardListMax) count = platform::kHeardListMax;
  for (std::size_t i = 0; i < count; ++i) {
    if (i) out += ", ";
    out += ipv6Text(addresses[i]);
  }
}
