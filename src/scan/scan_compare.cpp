// The comparison of a scan result with the samples. Main thread, under scanLock.
#include <cstdio>

#include "arp/list_views.h"
#include "arp/samples.h"
#include "base/address.h"
#include "base/address_input.h"
#include "base/text_field.h"
#include "report/journal.h"
#include "scan/scanner.h"
#include "settings/settings.h"

namespace {

void learnSample(const AddressEntry& found) {
  AddressEntry s = makeEntry();
  copyField(s.ipText, fieldView(found.ipText));
  copyField(s.macText, fieldView(found.macText));
  copyField(s.hostName, fieldView(found.hostName));
  // Inside the window procedure an escaping bad_alloc would end the program.
  if (addSample(s) == kSampleNoMemory) {
    reportEvent("Ошибка выделения памяти.", ProgramError);
    return;
  }
  showSamples();
  saveSamples();
}

}  // namespace

void compareWithSamples(const AddressEntry& found) {
  char line[kJournalTextMax + 1];
  const std::string_view ip = fieldView(found.ipText);
  const std::string_view mac = fieldView(found.macText);
  // Every sample whose IP pattern matches is checked: several contradicting samples give
  // several reports.
  bool known = false;
  for (const AddressEntry& s : SampleList) {
    if (!matchPattern(fieldView(s.ipText), ip)) continue;
    known = true;
    // No MAC (found by name alone, or a sample that only says the address is known)
    // contradicts nothing.
    if (mac.empty() || s.macText[0] == 0 || matchMacPattern(fieldView(s.macText), mac)) continue;
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
  if (!settings.AddAddIp) {
    for (const AddressEntry& s : SampleList) {
      if (!sameMacText(fieldView(s.macText), mac)) continue;
      std::snprintf(line, sizeof line, "Дополн. IP-адрес! %.20s %.20s", found.ipText,
                    found.macText);
      reportEvent(line, AdditionalIp);
      return;
    }
  }
  learnSample(found);
}
