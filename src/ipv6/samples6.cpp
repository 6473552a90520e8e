#include "ipv6/samples6.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "base/address.h"
#include "base/address6.h"
#include "base/address_input.h"
#include "base/mac_match.h"
#include "base/sample_lines.h"
#include "base/text_field.h"
#include "report/journal.h"
#include "report/sample_notes_told.h"
#include "settings/settings.h"

Address6List Sample6List;
Address6List Neighbour6List;

namespace {

constexpr const char* kSamples6ToldKey = "Samples6Told";
constexpr std::size_t kMacFieldMax = 19;  // what macText holds

SampleText textOf(const Address6Entry& e) {
  return {std::string(fieldView(e.ipText)), std::string(fieldView(e.macText)),
          std::string(fieldView(e.hostName))};
}

// A plain address in its canonical form, a pattern in lower case: both are matched against
// the canonical text.
std::string canonicalSampleIp(std::string_view ip) {
  std::string out;
  if (canonicalIpv6Text(ip, out)) return out;
  out = trimBlanks(ip);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool isPattern(std::string_view ip) { return ip.find('*') != std::string_view::npos; }

// Why the sample's MAC cannot be a station's binding (zero, broadcast, group), or null.
const char* macMisfit6(const Address6Entry& s) {
  std::uint8_t mac[6];
  if (!readMacText(fieldView(s.macText), mac) || isUnicastMac(mac)) return nullptr;
  return macFaultText(macTextFault(fieldView(s.macText)));
}

class Sample6ListFile final : public SampleListAccess {
 public:
  std::size_t size() const override { return Sample6List.size(); }
  SampleText at(std::size_t i) const override { return textOf(Sample6List[i]); }
  const char* lineFault(const SampleLineFields& f) const override {
    if (!f.macPresent) return "нет MAC-адреса";
    Ipv6Address a;
    if (readIpv6Text(f.ip, a)) {
      if (!isUnicast6(a)) return "адрес не может принадлежать станции";
    } else if (!isIpv6Pattern(f.ip)) {
      return "неверный IP-адрес";
    }
    std::uint8_t b[6];
    if (!f.mac.empty() && !readMacText(f.mac, b) &&
        !(f.mac.size() <= kMacFieldMax && isMacPattern(f.mac)))
      return "неверный MAC-адрес";
    return nullptr;
  }
  SampleText made(const SampleLineFields& f) const override {
    Address6Entry e = makeEntry6();
    copyField(e.ipText, canonicalSampleIp(f.ip));
    copyField(e.macText, f.mac);
    copyField(e.hostName, f.name);
    return textOf(e);
  }
  bool holdsIp(std::string_view ip) const override {
    for (const Address6Entry& s : Sample6List)
      if (fieldView(s.ipText) == ip) return true;
    return false;
  }
  void append(const SampleText& sample, std::vector<std::string>* notes) override {
    Address6Entry e = makeEntry6();
    copyField(e.ipText, sample.ip);
    copyField(e.macText, sample.mac);
    copyField(e.hostName, sample.name);
    Sample6List.push_back(e);
    const char* why = notes ? macMisfit6(e) : nullptr;
    if (!why) return;
    char note[kJournalTextMax + 1];
    std::snprintf(note, sizeof note,
                  "Недопустимый MAC-адрес в образце: %.46s %.20s (%s). Образец не будет "
                  "восстанавливаться.",
                  e.ipText, e.macText, why);
    notes->push_back(note);
  }
};

Sample6ListFile sample6ListFile;
SampleFile samples6File(kSamples6File);

// Whether this run read the file: a list that never did (a front end that does not load it)
// must not replace what the file holds.
bool samples6Read = false;

// The list as the file last held it: a run that changed nothing writes nothing, so a host
// that never names an IPv6 sample never gets the file.
std::vector<std::string> savedKeys;

std::vector<std::string> listKeys() {
  std::vector<std::string> keys;
  keys.reserve(Sample6List.size());
  for (const Address6Entry& e : Sample6List) {
    const SampleText t = textOf(e);
    keys.push_back(t.ip + '\t' + t.mac + '\t' + t.name);
  }
  return keys;
}

}  // namespace

Address6Entry makeEntry6() {
  Address6Entry e;
  std::memset(&e, 0, sizeof e);
  return e;
}

void loadSamples6() {
  std::vector<std::string> notes;
  const SampleFileRead read = readSampleFile(samples6File, sample6ListFile, notes);
  samples6Read = true;
  try {
    savedKeys = listKeys();
  } catch (const std::bad_alloc&) {
    savedKeys.clear();  // the next save writes
  }
  // While the watch is off nothing of it is journalled; the notes wait for a start with it.
  if (!settings.WatchIpv6 || read == SampleFileRead::Missing) return;
  if (read == SampleFileRead::Unreadable || read == SampleFileRead::ReadInPart)
    reportEvent("Ошибка чтения файла samples6.dat. Файл не будет перезаписан.", ProgramError);
  if (read != SampleFileRead::Unreadable)
    tellSampleFileNotes(notes, kSamples6File, kSamples6ToldKey);
}

void saveSamples6() {
  try {
    if (!samples6Read || listKeys() == savedKeys) return;
    if (writeSampleFile(samples6File, sample6ListFile)) savedKeys = listKeys();
  } catch (const std::bad_alloc&) {
    // the file stays as it was
  }
}

int addSample6(const Address6Entry& entry) {
  Address6Entry e = entry;
  copyField(e.ipText, canonicalSampleIp(fieldView(entry.ipText)));
  if (sample6ListFile.holdsIp(fieldView(e.ipText))) return -1;
  try {
    Sample6List.push_back(e);
  } catch (const std::bad_alloc&) {
    return -2;
  }
  return static_cast<int>(Sample6List.size()) - 1;
}

void removeSample6(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= Sample6List.size()) return;
  Sample6List.erase(Sample6List.begin() + index);
  sampleRemoved(samples6File, static_cast<std::size_t>(index));
}

int findSample6(std::string_view ipText) {
  for (std::size_t i = 0; i < Sample6List.size(); ++i) {
    const std::string_view s = fieldView(Sample6List[i].ipText);
    if (isPattern(s) ? matchPattern(s, ipText, kPattern6Max) : s == ipText)
      return static_cast<int>(i);
  }
  return -1;
}

bool sampleNamesMac(std::string_view macText) {
  for (const AddressEntry& s : SampleList)
    if (s.macText[0] && matchMacPattern(fieldView(s.macText), macText)) return true;
  for (const Address6Entry& s : Sample6List)
    if (s.macText[0] && matchMacPattern(fieldView(s.macText), macText)) return true;
  return false;
}
