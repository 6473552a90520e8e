#include "scan/entry_dialogs.h"

#include <cstring>
#include <utility>

#include "arp/arp_table.h"
#include "arp/list_views.h"
#include "arp/sample_view.h"
#include "arp/samples.h"
#include "base/address_input.h"
#include "base/text_field.h"
#include "scan/probe.h"

const char* const kNoMacText = "Ошибка получения MAC-адреса.\nНет данных.";
const char* const kNoMacLine = "Ошибка получения MAC-адреса.\nНет данных.\n";
const char* const kNoHostNameLine = "Ошибка получения имени хоста.\nНет данных.\n";

namespace {

std::size_t length(const char* text) { return text ? std::strlen(text) : 0; }
std::string_view view(const char* text) {
  return text ? std::string_view(text) : std::string_view();
}

// The address a probe asks, in network order: the reading of the dialogs' OK, four numbers.
bool probeAddress(const char* ipText, std::uint32_t& address) {
  std::uint32_t host;
  if (!readIpv4Text(view(ipText), host)) return false;
  address = hostToNetwork(host);
  return true;
}

void appendLine(char (&errors)[kProbeErrorsRoom], const char* line) {
  const std::size_t used = fieldLength(errors);
  copyText(errors + used, sizeof errors - used, line);
}

FieldFault fault(EntryField field, const char* what, const std::string& text) {
  return {field, what + text};
}

std::string shown(std::string_view text) {
  return trimBlanks(text).empty() ? "(пусто)" : std::string(text);
}

const char* const kNoIpOrPattern =
    "ни адрес, ни шаблон: четыре числа от 0 до 255 через точку, * вместо любых.";

}  // namespace

FieldFault arpEntryFault(const char* ipText, const char* macText) {
  if (ipTextFault(view(ipText)) != IpFault::None)
    return {EntryField::Ip, staticPairFault(view(ipText), view(macText))};
  std::string text = staticPairFault(view(ipText), view(macText));
  return {text.empty() ? EntryField::None : EntryField::Mac, std::move(text)};
}

ArpEntryOutcome addArpEntry(const char* ipText, const char* macText) {
  // A short text is no address either: the readers' refusal says why.
  if (arpEntryFault(ipText, macText).field != EntryField::None) return ArpEntryOutcome::Invalid;
  return setStaticArpEntry(ipText, macText) ? ArpEntryOutcome::Written : ArpEntryOutcome::Refused;
}

std::string arpEntryRefusedText(const char* ipText) {
  return std::string("Ошибка добавления записи в ARP-кэш для ") + (ipText ? ipText : "");
}

bool probeAsks(const char* ipText) {
  std::uint32_t address;
  return length(ipText) >= kEntryIpMin && probeAddress(ipText, address) && address != 0;
}

MacRequest requestMac(const char* ipText, char (&macText)[20]) {
  if (length(ipText) < kEntryIpMin) return MacRequest::Ignored;
  std::uint32_t address;
  if (ipTextFault(view(ipText)) != IpFault::None || !probeAddress(ipText, address))
    return MacRequest::Invalid;
  char found[20];
  if (!probeMac(address, found)) return MacRequest::NoAnswer;
  copyField(macText, found);
  return MacRequest::Found;
}

AddressEntry sampleFromTexts(const char* ipText, const char* macText, const char* hostName) {
  AddressEntry e = makeEntry();
  copyField(e.ipText, ipText);
  copyField(e.macText, macText);
  copyField(e.hostName, hostName);
  return e;
}

FieldFault sampleFault(const AddressEntry& entry, bool emptyMac) {
  const std::string_view ip = fieldView(entry.ipText);
  std::uint32_t address;
  if (!readIpv4Text(ip, address) && !isIpPattern(trimBlanks(ip)))
    return fault(EntryField::Ip, "Неверный IP-адрес: ", shown(ip) + " — " + kNoIpOrPattern);
  const std::string_view mac = fieldView(entry.macText);
  if (trimBlanks(mac).empty() && emptyMac) return {EntryField::None, {}};
  if (trimBlanks(mac).empty())
    return fault(EntryField::Mac, "Неверный MAC-адрес: ", "(пусто) — для любого MAC укажите *.");
  const MacFault m = macTextFault(mac);
  if (m == MacFault::None || m == MacFault::Pattern) return {EntryField::None, {}};
  // A six-byte MAC that names no host says which kind it is.
  const std::string why = m == MacFault::NotMac
                              ? "нужны шесть байтов, например 00-1a-2b-3c-4d-5e, или шаблон с *"
                              : macFaultText(m);
  return fault(EntryField::Mac, "Неверный MAC-адрес: ", std::string(mac) + " — " + why + ".");
}

AddressEntry canonicalSample(const AddressEntry& entry) {
  AddressEntry e = entry;
  char text[20];
  if (canonicalIpv4Text(fieldView(entry.ipText), text))
    copyField(e.ipText, fieldView(text));
  else
    copyField(e.ipText, trimBlanks(fieldView(entry.ipText)));
  if (canonicalMacText(fieldView(entry.macText), text))
    copyField(e.macText, fieldView(text));
  else
    copyField(e.macText, trimBlanks(fieldView(entry.macText)));
  return e;
}

SampleStore storeSample(const AddressEntry& typed, int row, void (*select)(int row)) {
  // Short texts are refused by the readers with a reason; patterns such as * and 10.0.* pass.
  FieldFault f = sampleFault(typed, false);
  if (f.field != EntryField::None) return {SampleOutcome::Invalid, -1, std::move(f)};
  const AddressEntry entry = canonicalSample(typed);
  SampleOutcome outcome;
  if (row < 0) {
    row = addSample(entry);
    if (row == kSampleNoMemory) return {SampleOutcome::NoMemory, -1, {}};
    if (row < 0) return {SampleOutcome::Duplicate, -1, {}};
    outcome = SampleOutcome::Added;
  } else {
    // The row came from the list; a list that no longer has it changes nothing.
    if (static_cast<std::size_t>(row) >= SampleList.size()) return {SampleOutcome::Ignored, -1, {}};
    // One rule with adding: another sample with the same address refuses the change.
    for (std::size_t i = 0; i < SampleList.size(); ++i)
      if (i != static_cast<std::size_t>(row) &&
          fieldView(SampleList[i].ipText) == fieldView(entry.ipText))
        return {SampleOutcome::Duplicate, -1, {}};
    SampleList[static_cast<std::size_t>(row)] = entry;
    noteSamplesChanged();
    outcome = SampleOutcome::Replaced;
  }
  showSamples();
  if (select) select(row);
  saveSamples();
  return {outcome, row, {}};
}

std::string duplicateSampleText(const char* ipText) {
  return std::string("Адрес ") + (ipText ? ipText : "") + " уже есть.";
}

AddressProbe requestMacAndName(const char* ipText) {
  AddressProbe p{};
  if (length(ipText) < kEntryIpMin) return p;
  std::uint32_t address = 0;
  if (!probeAddress(ipText, address)) {
    FieldFault f = sampleFault(sampleFromTexts(ipText, "*", ""), false);
    if (f.field == EntryField::Ip) p.fault = std::move(f);
    return p;
  }
  if (address == 0) return p;  // asking for it would probe the broadcast address
  p.probed = true;
  p.macFound = probeMac(address, p.macText);
  p.nameFound = probeName(address, p.hostName, sizeof p.hostName);
  if (!p.macFound) appendLine(p.errors, kNoMacLine);
  if (!p.nameFound) appendLine(p.errors, kNoHostNameLine);
  return p;
}
