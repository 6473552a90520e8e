#include "scan/address_conflicts.h"

#include <cstdio>

#include "base/address.h"
#include "platform/probe_platform.h"
#include "report/journal.h"

void reportAddressConflicts() {
  for (const platform::ArpConflict& c : platform::takeArpConflicts()) {
    char ip[20], kept[20], other[20];
    formatIpv4(c.address, ip);
    formatMac(c.keptMac, kept);
    formatMac(c.otherMac, other);
    char line[kJournalTextMax + 1];
    std::snprintf(line, sizeof line, "Подмена адреса! %s %s (%s %s)", ip, other, ip, kept);
    reportEvent(line, Spoofing);
  }
}
