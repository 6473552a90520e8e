// The comparison of a scan result with the samples. Main thread, under scanLock.
#include <cstdio>
#include <new>

#include "arp/check_index.h"
#include "arp/list_views.h"
#include "arp/sample_view.h"
#include "arp/samples.h"
#include "base/address.h"
#include "base/address_input.h"
#include "base/mac_match.h"
#include "base/text_field.h"
#include "report/journal.h"
#include "scan/scanner.h"
#include "settings/settings.h"

namespace {

// Samples learned since the file was last written: a pass that learns a /16 writes it once.
bool samplesLearned = false;

// Whether any sample matches an address or holds a MAC, without reading every sample for
// every result: a pass that learns each host it finds stays linear. Built again whenever the
// list changed since.
struct ScanSampleIndex {
  SampleIndex index;
  const AddressEntry* data = nullptr;
  std::size_t size = 0;
  std::uint64_t changes = 0;

  SampleIndex& current() {
    if (data != SampleList.data() || size != SampleList.size() || changes != samplesChanged) {
      index.invalidate();
      note();
    }
    return index;
  }
  void note() {
    data = SampleList.data();
    size = SampleList.size();
    changes = samplesChanged;
  }
};
ScanSampleIndex scanIndex;

void learnSample(const AddressEntry& found) {
  AddressEntry s = makeEntry();
  copyField(s.ipText, fieldView(found.ipText));
  copyField(s.macText, fieldView(found.macText));
  copyField(s.hostName, fieldView(found.hostName));
  SampleIndex& index = scanIndex.current();
  // Inside the window procedure an escaping bad_alloc would end the program.
  try {
    SampleList.push_back(s);
    noteSamplesChanged();
  } catch (const std::bad_alloc&) {
    reportEvent("Ошибка выделения памяти.", ProgramError);
    return;
  }
  samplesLearned = true;
  try {
    index.appended(SampleList, static_cast<int>(SampleList.size()) - 1);
    scanIndex.note();
  } catch (const std::bad_alloc&) {
    // Not noted: the list's new size makes the next use build the index again.
  }
}

}  // namespace

void saveLearnedSamples() {
  if (!samplesLearned) return;
  samplesLearned = false;
  showSamples();
  saveSamples();
}

void compareWithSamples(const AddressEntry& found) {
  char line[kJournalTextMax + 1];
  const std::string_view ip = fieldView(found.ipText);
  const std::string_view mac = fieldView(found.macText);
  // Every sample whose IP pattern matches is checked: several contradicting samples give
  // several reports.
  const int firstMatch = scanIndex.current().firstIpMatch(SampleList, ip);
  const bool known = firstMatch >= 0;
  for (std::size_t k = known ? static_cast<std::size_t>(firstMatch) : SampleList.size();
       k < SampleList.size(); ++k) {
    const AddressEntry& s = SampleList[k];
    if (!matchPattern(fieldView(s.ipText), ip)) continue;
    // No MAC (found by name alone, or a sample that only says the address is known, or
    // whose MAC names no host) contradicts nothing.
    if (mac.empty() || matchMacPattern(fieldView(s.macText), mac) ||
        sampleMacSaysNothing(fieldView(s.macText)))
      continue;
    std::snprintf(line, sizeof line, "Подмена адреса! %.20s %.20s (%.20s %.20s)", found.ipText,
                  found.macText, s.ipText, s.macText);
    reportEvent(line, Spoofing);
  }
  if (known) return;

  std::snprintf(line, sizeof line, "Новый IP-адрес! %.20s %.20s", found.ipText, found.macText);
  reportEvent(line, NewAddress);
  if (!settings.AddNew) return;
  // A host found by its name alone gives no MAC to learn: a sample without one would have
  // the monitor call the host's real MAC spoofed, and with Restore write zeros over it.
  if (mac.empty()) return;
  // Nor is a zero, broadcast or multicast MAC ever a host's own.
  if (!isUnicastMacText(mac)) return;
  if (!settings.AddAddIp && scanIndex.current().hasMac(SampleList, mac)) {
    std::snprintf(line, sizeof line, "Дополн. IP-адрес! %.20s %.20s", found.ipText, found.macText);
    reportEvent(line, AdditionalIp);
    return;
  }
  learnSample(found);
}
