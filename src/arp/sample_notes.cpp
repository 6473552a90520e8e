#include "arp/sample_notes.h"

#include <cstdint>
#include <cstdio>

#include "base/address_input.h"
#include "base/text_field.h"
#include "platform/settings_platform.h"
#include "report/journal.h"
#include "route/adapters.h"
#include "settings/settings.h"

namespace {

constexpr std::size_t kSampleFieldMax = 19;  // what ipText and macText hold
constexpr std::size_t kShownLineMax = 60;    // of a line told in the journal

// 255.255.255.255, an address ending in .255 (the broadcast of every subnet of /24 or
// wider) or the broadcast of a subnet of this machine.
bool broadcastAddress(std::uint32_t ip) {
  if ((ip & 0xFF) == 0xFF) return true;
  for (const LocalAddress& a : LocalAddressList)
    if ((ip & a.mask) == (a.address & a.mask) && (ip | a.mask) == 0xFFFFFFFFu && ~a.mask > 1)
      return true;
  return false;
}

std::uint64_t fnv1a(const std::vector<std::string>& texts) {
  std::uint64_t h = 14695981039346656037ull;
  for (const std::string& t : texts)
    for (unsigned char c : t + '\n') h = (h ^ c) * 1099511628211ull;
  return h;
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
  // The line as a reader sees it: runs of blanks and TABs as one blank, cut.
  std::string shown;
  for (char c : trimBlanks(text)) {
    const bool blank = c == ' ' || c == '\t';
    if (blank && !shown.empty() && shown.back() == ' ') continue;
    if (shown.size() == kShownLineMax) break;
    shown.push_back(blank ? ' ' : c);
  }
  char note[kJournalTextMax + 1];
  std::snprintf(note, sizeof note,
                "Ошибка в файле samples.dat, строка %zu (%s): %s. Строка оставлена как есть и "
                "не используется.",
                lineNumber, why, shown.c_str());
  return note;
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
  char stamp[20] = "";
  if (!notes.empty())
    std::snprintf(stamp, sizeof stamp, "%016llx", static_cast<unsigned long long>(fnv1a(notes)));
  if (!iniPath.empty()) {
    char told[20] = "";
    platform::profileGetString(kIniSection, kSamplesToldKey, "", told, sizeof told,
                               iniPath.c_str());
    if (fieldView(told) == fieldView(stamp)) return;
    // Written before the telling: a start that cannot keep the stamp tells again, no more.
    platform::profileWriteKeys(kIniSection, {{kSamplesToldKey, stamp}}, iniPath.c_str());
  }
  // A file full of faults gives a bounded number of lines.
  constexpr std::size_t kToldMax = 16;
  for (std::size_t i = 0; i < notes.size() && i < kToldMax; ++i)
    reportEvent(notes[i].c_str(), ProgramError);
  if (notes.size() <= kToldMax) return;
  char more[80];
  std::snprintf(more, sizeof more, "Ещё ошибок в файле samples.dat: %zu.", notes.size() - kToldMax);
  reportEvent(more, ProgramError);
}
