#include "scan/entry_dialogs6.h"

#include <cctype>
#include <cstdint>
#include <string>

#include "base/address6.h"
#include "base/address_input.h"
#include "base/text_field.h"
#include "ipv6/check6.h"
#include "ipv6/neighbour6_view.h"

namespace {

std::string_view view(const char* text) {
  return text ? std::string_view(text) : std::string_view();
}

// The address of a typed text without its zone; false when it is none.
bool readTypedIpv6(std::string_view text, Ipv6Address& address) {
  std::uint32_t zone = 0;
  return readIpv6Text(text, address, &zone);
}

FieldFault ipFault(std::string_view ip, const char* why) {
  const std::string shown = trimBlanks(ip).empty() ? "(пусто)" : std::string(ip);
  return {EntryField::Ip, "Неверный IPv6-адрес: " + shown + " — " + why + "."};
}

// Why an address is no station's; null when it may be one.
const char* stationFault(const Ipv6Address& a) {
  if (isUnspecified6(a)) return "неуказанный адрес";
  if (isLoopback6(a)) return "адрес обратной петли";
  if (isMulticast6(a)) return "групповой адрес";
  if (ownAddress6(formatIpv6(a))) return "собственный адрес";
  return nullptr;
}

}  // namespace

Address6Entry sample6FromTexts(const char* ipText, const char* macText, const char* hostName) {
  Address6Entry e = makeEntry6();
  copyField(e.ipText, view(ipText));
  copyField(e.macText, view(macText));
  copyField(e.hostName, view(hostName));
  return e;
}

FieldFault sample6Fault(const Address6Entry& entry, bool emptyMac) {
  const std::string_view ip = fieldView(entry.ipText);
  Ipv6Address address;
  if (readTypedIpv6(ip, address)) {
    if (const char* why = stationFault(address)) return ipFault(ip, why);
  } else if (!isIpv6Pattern(ip)) {
    return ipFault(ip,
                   "ни адрес, ни шаблон: до восьми групп шестнадцатеричных цифр через двоеточие, "
                   ":: вместо нулевых групп, * вместо любых");
  }
  // The MAC is checked as an IPv4 sample's, beside an address that passes.
  AddressEntry mac = makeEntry();
  copyField(mac.ipText, "*");
  copyField(mac.macText, fieldView(entry.macText));
  return sampleFault(mac, emptyMac);
}

Address6Entry canonicalSample6(const Address6Entry& entry) {
  Address6Entry e = entry;
  const std::string_view ip = trimBlanks(fieldView(entry.ipText));
  Ipv6Address address;
  if (readTypedIpv6(ip, address)) {
    copyField(e.ipText, formatIpv6(address));
  } else {
    std::string pattern(ip);
    for (char& c : pattern) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    copyField(e.ipText, pattern);
  }
  char mac[20];
  if (canonicalMacText(fieldView(entry.macText), mac))
    copyField(e.macText, fieldView(mac));
  else
    copyField(e.macText, trimBlanks(fieldView(entry.macText)));
  return e;
}

SampleStore storeSample6(const Address6Entry& typed, int row, void (*select)(int row)) {
  FieldFault f = sample6Fault(typed, false);
  if (f.field != EntryField::None) return {SampleOutcome::Invalid, -1, std::move(f)};
  const Address6Entry entry = canonicalSample6(typed);
  SampleOutcome outcome;
  if (row < 0) {
    row = addSample6(entry);
    if (row == -2) return {SampleOutcome::NoMemory, -1, {}};
    if (row < 0) return {SampleOutcome::Duplicate, -1, {}};
    outcome = SampleOutcome::Added;
  } else {
    if (static_cast<std::size_t>(row) >= Sample6List.size())
      return {SampleOutcome::Ignored, -1, {}};
    for (std::size_t i = 0; i < Sample6List.size(); ++i)
      if (i != static_cast<std::size_t>(row) &&
          fieldView(Sample6List[i].ipText) == fieldView(entry.ipText))
        return {SampleOutcome::Duplicate, -1, {}};
    Sample6List[static_cast<std::size_t>(row)] = entry;
    outcome = SampleOutcome::Replaced;
  }
  showSamples6();
  if (select) select(row);
  saveSamples6();
  return {outcome, row, {}};
}

bool neighbour6Mac(const char* ipText, char (&macText)[20]) {
  Ipv6Address address;
  if (!readTypedIpv6(view(ipText), address)) return false;
  const std::string canonical = formatIpv6(address);
  for (const Address6Entry& n : Neighbour6List)
    if (fieldView(n.ipText) == canonical && isUnicastMacText(fieldView(n.macText))) {
      copyField(macText, fieldView(n.macText));
      return true;
    }
  return false;
}
