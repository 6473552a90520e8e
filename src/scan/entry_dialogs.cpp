#include "scan/entry_dialogs.h"

#include <cstring>

#include "arp/arp_table.h"
#include "arp/list_views.h"
#include "arp/samples.h"
#include "base/text_field.h"
#include "scan/dotted_quad.h"
#include "scan/probe.h"

const char* const kNoMacText = "Ошибка получения MAC-адреса.\nНет данных.";
const char* const kNoMacLine = "Ошибка получения MAC-адреса.\nНет данных.\n";
const char* const kNoHostNameLine = "Ошибка получения имени хоста.\nНет данных.\n";

namespace {

std::size_t length(const char* text) { return text ? std::strlen(text) : 0; }

// The address to probe, or 0 when the text is too short or names no address. A text that
// is no address would otherwise send the probes to the broadcast address.
std::uint32_t probeAddress(const char* ipText) {
  if (length(ipText) < kEntryIpMin) return 0;
  const std::uint32_t address = dottedQuadAddress(ipText);
  return address == kNoDottedAddress ? 0 : address;
}

void appendLine(char (&errors)[kProbeErrorsRoom], const char* line) {
  const std::size_t used = fieldLength(errors);
  copyText(errors + used, sizeof errors - used, line);
}

}  // namespace

ArpEntryOutcome addArpEntry(const char* ipText, const char* macText) {
  if (length(ipText) < kEntryIpMin || length(macText) < kEntryMacMin)
    return ArpEntryOutcome::Ignored;
  return setStaticArpEntry(ipText, macText) ? ArpEntryOutcome::Written : ArpEntryOutcome::Refused;
}

std::string arpEntryRefusedText(const char* ipText) {
  return std::string("Ошибка добавления записи в ARP-кэш для ") + (ipText ? ipText : "");
}

MacRequest requestMac(const char* ipText, char (&macText)[20]) {
  // The address 0 is still asked for: only this dialog's text rule applies.
  if (length(ipText) < kEntryIpMin) return MacRequest::Ignored;
  const std::uint32_t address = dottedQuadAddress(ipText);
  if (address == kNoDottedAddress) return MacRequest::Ignored;
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

SampleStore storeSample(const AddressEntry& entry, int row) {
  const bool anyMac = fieldView(entry.macText) == "*";
  if (fieldLength(entry.ipText) < kEntryIpMin ||
      (fieldLength(entry.macText) < kEntryMacMin && !anyMac))
    return {SampleOutcome::Ignored, -1};
  SampleOutcome outcome;
  if (row < 0) {
    row = addSample(entry);
    if (row == kSampleNoMemory) return {SampleOutcome::NoMemory, -1};
    if (row < 0) return {SampleOutcome::Duplicate, -1};
    outcome = SampleOutcome::Added;
  } else {
    // The row came from the list; a list that no longer has it changes nothing.
    if (static_cast<std::size_t>(row) >= SampleList.size()) return {SampleOutcome::Ignored, -1};
    SampleList[static_cast<std::size_t>(row)] = entry;
    outcome = SampleOutcome::Replaced;
  }
  showSamples();
  saveSamples();
  return {outcome, row};
}

std::string duplicateSampleText(const char* ipText) {
  return std::string("Адрес ") + (ipText ? ipText : "") + " уже есть.";
}

AddressProbe requestMacAndName(const char* ipText) {
  AddressProbe p{};
  const std::uint32_t address = probeAddress(ipText);
  if (address == 0) return p;
  p.probed = true;
  p.macFound = probeMac(address, p.macText);
  if (!p.macFound) appendLine(p.errors, kNoMacLine);
  p.nameFound = probeName(address, p.hostName, sizeof p.hostName);
  if (!p.nameFound) appendLine(p.errors, kNoHostNameLine);
  return p;
}
