#include "arp/sample_notes.h"

#include <cstdint>
#include <cstdio>

#include "arp/samples.h"
#include "base/address_input.h"
#include "base/sample_lines.h"
#include "base/text_field.h"
#include "report/journal.h"
#include "report/sample_notes_told.h"
#include "route/adapters.h"

namespace {

constexpr std::size_t kSampleFieldMax = 19;  // what ipText and macText hold

// 255.255.255.255, an address ending in .255 (the broadcast of every subnet of /24 or
// wider) or the broadcast of a subnet of this machine.
bool broadcastAddress(std::uint32_t ip) {
  if ((ip & 0xFF) == 0xFF) return true;
  for (const LocalAddress& a : LocalAddressList)
    if ((ip & a.mask) == (a.address & a.mask) && (ip | a.mask) == 0xFFFFFFFFu && ~a.mask > 1)
      return true;
  return false;
}

}  // namespace

const char* sampleMacMisfit(const AddressEntry& sample) {
  std::uint8_t mac[6];
  if (!readMacText(fieldView(sample.macText), mac) || isUnicastMac(mac)) return nullptr;
  const MacFault fault = macTextFault(fieldView(sample.macText));
  std::uint32_t ip;
  if (readIpv4Text(fieldView(sample.ipText), ip)) {
    if (fault == MacFault::Multicast && (ip >> 28) == 0xE) return nullptr;
    if (fault == MacFault::Broadcast && broadcastAddress(ip)) return nullptr;
  }
  return macFaultText(fault);
}

const char* sampleLineFault(std::string_view ip, std::string_view mac, bool macPresent) {
  if (!macPresent) return "нет MAC-адреса";
  std::uint32_t v;
  std::uint8_t b[6];
  if (!readIpv4Text(ip, v) && !(ip.size() <= kSampleFieldMax && isIpPattern(ip)))
    return "неверный IP-адрес";
  if (!mac.empty() && !readMacText(mac, b) && !(mac.size() <= kSampleFieldMax && isMacPattern(mac)))
    return "неверный MAC-адрес";
  return nullptr;
}

std::string unreadLineNote(std::size_t lineNumber, std::string_view text, const char* why) {
  return unreadLineNote(kSamplesFile, lineNumber, text, why);
}

std::string macMisfitNote(const AddressEntry& sample, const char* why) {
  char note[kJournalTextMax + 1];
  std::snprintf(note, sizeof note,
                "Недопустимый MAC-адрес в образце: %.20s %.20s (%s). Образец не будет "
                "восстанавливаться.",
                sample.ipText, sample.macText, why);
  return note;
}

void tellSampleNotes(const std::vector<std::string>& notes) {
  tellSampleFileNotes(notes, kSamplesFile, kSamplesToldKey);
}
