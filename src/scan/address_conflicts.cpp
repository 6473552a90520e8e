#include "scan/address_conflicts.h"

#include <cstdio>

#include "base/address.h"
#include "platform/probe_platform.h"
#include "report/journal.h"
#include "settings/settings.h"

void reportAddressConflicts() {
  // Taken either way, so that a later comparing pass does not report them.
  for (const platform::ArpConflict& c : platform::takeArpConflicts()) {
    if (!settings.ScanCheckMac) continue;
    char ip[20], kept[20], other[20];
    formatIpv4(c.address, ip);
    formatMac(c.keptMac, kept);
    formatMac(c.otherMac, other);
    char line[kJournalTextMax + 1];
    // Not the sample comparison's form: neither MAC is a sample.
    std::snprintf(line, sizeof line, "Конфликт адреса! %s: ответы с %s и %s", ip, kept, other);
    reportEvent(line, Spoofing);
  }
}
