#include "arp/check_cycle.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <random>

#include "arp/arp_table.h"
#include "arp/check_index.h"
#include "arp/list_views.h"
#include "arp/samples.h"
#include "arp/wire_bindings.h"
#include "arp/wire_bounds.h"
#include "base/address.h"
#include "base/address_input.h"
#include "base/mac_match.h"
#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "ipv6/watch6.h"
#include "report/journal.h"
#include "report/mail_queue.h"
#include "route/adapters.h"
#include "settings/settings.h"

std::int32_t checkCountdown = 1;
bool checkStarShown = false;
std::int32_t arpErrorCount = 0;

namespace {

std::minstd_rand checkRandom;

// Carry-over lookups over LastCacheList; rebuilt whenever that list is replaced.
BindingIndex lastCacheIndex;
// Sample lookups; built on the first row of a check that needs one, dropped after it.
SampleIndex sampleIndex;

// Per entry of CacheList during a check: its snapshot row and the hash of its binding.
// Kept to reuse their memory.
std::vector<std::uint32_t> snapshotRow;
std::vector<std::uint64_t> bindingHashes;
constexpr std::size_t kAhead = 16;

constexpr int kMaxReadFailures = 499;

// Set when a check learned a sample: the list and the file are refreshed once, after its
// last row, rather than rewritten for every new host of a busy first check.
bool samplesLearned = false;

// Journal lines name entries by their fields; "%.20s" never reads past a field.
char journalLine[512];

// A binding decided outside a table read (seen on the wire) writes this row, not a
// snapshot row.
constexpr std::uint32_t kOutsideRow = UINT32_MAX;
ArpRow outsideRow{};
double outsideNow = 0;  // when the outside bindings being decided were heard (steady clock)

// Makes the row a static binding to mac, in the snapshot and in the table; false when the
// table refused it.
bool writeStaticRow(std::uint32_t rowIndex, const std::uint8_t (&mac)[6]) {
  ArpRow row = rowIndex == kOutsideRow ? outsideRow : arpRowAt(arpSnapshot, rowIndex);
  std::memcpy(row.physAddr, mac, 6);
  row.type = kArpTypeStatic;
  if (rowIndex != kOutsideRow) setArpRowAt(arpSnapshot, rowIndex, row);
  return platform::setIpNetEntry(row) == kOk;
}

// What a check decides for one row that was not carried over. True when a restore or a
// block rewrote the entry's binding.
// A station that gives our own address its MAC takes our traffic: the clearest spoofing.
// Never learned, restored or blocked (a static row for our own address would cut us off).
// True when the address is ours, reported or not.
bool ownAddressClaim(const AddressEntry& e) {
  const LocalAddress* own = localAddressOf(parseIpv4(fieldView(e.ipText)));
  if (!own) return false;
  std::uint8_t mac[6];
  if (!readMacText(fieldView(e.macText), mac) || isLocalMac(mac)) return true;  // ours
  const LocalAdapter* adapter = localAdapterOf(own->index);
  std::snprintf(journalLine, sizeof journalLine,
                "Подмена адреса! %.20s %.20s (собственный адрес %.20s %.20s)", e.ipText, e.macText,
                e.ipText, adapter ? adapter->macText : "");
  reportEvent(journalLine, Spoofing);
  return true;
}

// A binding heard on the wire is learned or blocked only when it belongs to a subnet of
// the interface it was heard on, and only within the bound of what the wire may write.
bool outsideMayWrite(const AddressEntry& e, WriteBound& bound) {
  const std::uint32_t ip = parseIpv4(fieldView(e.ipText));
  return onLocalSubnet(static_cast<std::int32_t>(outsideRow.index), ip) &&
         spendWriteBound(bound, outsideNow);
}

bool decideRow(AddressEntry& e, std::uint32_t rowIndex, std::uint64_t ipHash) {
  if (ownAddressClaim(e)) return false;
  const bool outside = rowIndex == kOutsideRow;
  const std::string_view ip = fieldView(e.ipText);
  const int s = sampleIndex.firstIpMatch(SampleList, ip, ipHash ? ipHash : ipTextHash(ip));

  if (s >= 0) {
    if (!settings.CheckMac) return false;
    const AddressEntry& sample = SampleList[s];
    // A sample without a MAC only says the address is known; one whose MAC names no host
    // was told at start.
    if (matchMacPattern(fieldView(sample.macText), fieldView(e.macText)) ||
        sampleMacSaysNothing(fieldView(sample.macText))) {
      copyField(e.hostName, fieldView(sample.hostName));
      return false;
    }
    std::snprintf(journalLine, sizeof journalLine, "Подмена адреса! %.20s %.20s (%.20s %.20s)",
                  e.ipText, e.macText, sample.ipText, sample.macText);
    reportEvent(journalLine, Spoofing);
    if (!settings.Restore) return false;
    // Only a real MAC is written: a pattern names no host.
    std::uint8_t mac[6];
    if (!readMacText(fieldView(sample.macText), mac)) {
      std::snprintf(journalLine, sizeof journalLine,
                    "Ошибка восстановления MAC для IP %.20s: образец %.20s - %s", e.ipText,
                    sample.macText, macFaultText(macTextFault(fieldView(sample.macText))));
      reportEvent(journalLine, ProgramError);
      return false;
    }
    if (!writeStaticRow(rowIndex, mac)) {
      std::snprintf(journalLine, sizeof journalLine, "Ошибка восстановления MAC для IP %.20s",
                    e.ipText);
      reportEvent(journalLine, ProgramError);
      return false;
    }
    formatMac(mac, e.macText);  // the table's form, whatever form the sample is in
    copyField(e.typeText, kTypeStatic);
    return true;
  }

  std::snprintf(journalLine, sizeof journalLine, "Новый IP-адрес! %.20s %.20s", e.ipText,
                e.macText);
  reportEvent(journalLine, NewAddress);
  // A broadcast or multicast MAC is the system's own row for a group address: it is never
  // blocked, and never learned (restoring it would cut a host off).
  if (!isUnicastMacText(fieldView(e.macText))) return false;
  if (settings.BlockNew) {
    if (outside && !outsideMayWrite(e, wireBlockBound)) return false;
    const std::uint8_t r = nextCheckRandomByte();
    const std::uint8_t mac[6] = {0, 0, 0, 0, 0, r};
    if (!writeStaticRow(rowIndex, mac)) {
      reportEvent("Ошибка записи MAC для IP при блокировке.", ProgramError);
      return false;
    }
    std::snprintf(e.macText, sizeof e.macText, "00-00-00-00-00-%02x", r);
    copyField(e.typeText, kTypeStatic);
    return true;
  }
  if (!settings.AddNew) return false;
  if (!settings.AddAddIp && sampleIndex.hasMac(SampleList, fieldView(e.macText))) {
    std::snprintf(journalLine, sizeof journalLine, "Дополн. IP-адрес! %.20s %.20s", e.ipText,
                  e.macText);
    reportEvent(journalLine, AdditionalIp);
    return false;
  }
  if (outside && !outsideMayWrite(e, wireLearnBound)) return false;
  SampleList.push_back(e);
  noteSamplesChanged();
  sampleIndex.appended(SampleList, static_cast<int>(SampleList.size()) - 1);
  samplesLearned = true;
  return false;
}

bool sameLists(const AddressList& a, const AddressList& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!sameBinding(a[i], b[i])) return false;
  return true;
}

void checkOver(const ArpRead& read) {
  if (read.result == ArpReadResult::OutOfMemory) {
    uiMessageBox("Ошибка выделения памяти.", MessageIcon::Error);
    uiEndProgram();
    return;
  }
  if (read.result == ArpReadResult::Failure) {
    if (arpErrorCount > kMaxReadFailures) {
      reportEvent("Слишком много ошибок при обращении к ARP таблице. Программа остановлена.",
                  ProgramError);
      uiStopCheckTimer();
      return;
    }
    reportEvent("Ошибка при обращении к ARP таблице.", ProgramError);
    ++arpErrorCount;
    return;
  }
  arpErrorCount = 0;
  const std::uint32_t rows = read.result == ArpReadResult::NoData ? 0 : arpRowCount(arpSnapshot);

  if (!lastCacheIndex.builtFor(LastCacheList)) lastCacheIndex.build(LastCacheList);
  sampleIndex.invalidate();  // the samples may have changed since the last check
  const bool compare = settings.AddNew || settings.CheckMac;

  // The entries are made a few rows ahead of the decisions, so that the lookups can ask
  // for their slots early while the entries are still in the cache.
  CacheList.clear();
  CacheList.reserve(rows);
  snapshotRow.clear();
  bindingHashes.clear();
  std::uint32_t nextRow = 0;
  auto makeNext = [&]() {
    while (nextRow < rows) {
      const std::uint32_t i = nextRow++;
      AddressEntry e;
      if (!arpRowEntry(arpRowAt(arpSnapshot, i), e)) continue;
      CacheList.push_back(e);
      snapshotRow.push_back(i);
      bindingHashes.push_back(bindingHash(e));
      lastCacheIndex.prefetch(bindingHashes.back());
      return;
    }
  };
  std::uint64_t ipHashes[2 * kAhead] = {};  // by entry index modulo 2 * kAhead; 0 none
  for (std::size_t k = 0;; ++k) {
    while (nextRow < rows && CacheList.size() <= k + kAhead) makeNext();
    if (k >= CacheList.size()) break;
    if (compare && sampleIndex.ipBuilt && k + kAhead < CacheList.size()) {
      std::uint64_t& h = ipHashes[(k + kAhead) % (2 * kAhead)];
      h = ipTextHash(fieldView(CacheList[k + kAhead].ipText));
      sampleIndex.prefetchIp(h);
    }
    std::uint64_t& ipHash = ipHashes[k % (2 * kAhead)];
    AddressEntry& e = CacheList[k];
    const int p = lastCacheIndex.find(LastCacheList, e, bindingHashes[k]);
    if (p >= 0) {
      copyField(e.hostName, fieldView(LastCacheList[p].hostName));
    } else if (compare && !wireDecided(e)) {
      const AddressEntry seen = e;
      if (decideRow(e, snapshotRow[k], ipHash))
        bindingHashes[k] = bindingHash(e);  // a restore or a block rewrote the binding
      noteRowDecided(seen, e);
    }
    ipHash = 0;
  }
  sampleIndex.invalidate();
  if (samplesLearned) {
    samplesLearned = false;
    showSampleRows();
    refreshCacheNames();
    saveSamples();
  }

  if (sameLists(CacheList, LastCacheList)) return;
  LastCacheList = CacheList;
  lastCacheIndex.build(LastCacheList, &bindingHashes);
  showCacheList();
  uiMarkSortedColumn(ListId::Arp, -1);
}

void runGuarded(const ArpRead* read) {
  try {
    checkOver(read ? *read : readArpTable(false));
  } catch (const std::bad_alloc&) {
    // Growing a list failed: the same end as a snapshot that cannot grow.
    lastCacheIndex.invalidate();
    sampleIndex.invalidate();
    uiMessageBox("Ошибка выделения памяти.", MessageIcon::Error);
    uiEndProgram();
  }
}

}  // namespace

void runCheck() { runGuarded(nullptr); }

void finishCheck(const ArpRead& read) {
  runGuarded(&read);
  // The tick after the check began has taken the star away: the count is brought up to date.
  if (!checkStarShown) setStatusText(0, "Кэш: %u", static_cast<unsigned>(CacheList.size()));
}

void decideOutsideBindings(std::vector<OutsideBinding>& bindings, double nowSeconds) {
  if (!settings.AddNew && !settings.CheckMac) return;
  outsideNow = nowSeconds;
  sampleIndex.invalidate();
  for (OutsideBinding& b : bindings) {
    outsideRow = b.row;
    b.rewritten = decideRow(b.entry, kOutsideRow, 0);
  }
  sampleIndex.invalidate();
  if (samplesLearned) {
    samplesLearned = false;
    showSampleRows();
    refreshCacheNames();
    saveSamples();
  }
}

void checkTick() {
  if (checkStarShown) {
    checkStarShown = false;
    setStatusText(0, "Кэш: %u", static_cast<unsigned>(CacheList.size()));
  }
  if (mailCountdown > 0 && --mailCountdown == 0) startMailSend();
  // A CheckInt of 0 or below from the file runs no further check; counting on below zero
  // would only end in an overflow.
  if (checkCountdown <= 0 || --checkCountdown != 0) return;
  checkCountdown = settings.CheckInt;
  checkStarShown = true;
  setStatusText(0, "Кэш: %u *", static_cast<unsigned>(CacheList.size()));
  if (!uiReadTableAside()) runCheck();
  watchIpv6Tick();  // its own tables, read here whichever way the ARP table is read
}

namespace {

// The name a check gives an entry it compares: that of the first sample of its address,
// when the sample's MAC fits.
std::string_view sampleNameFor(const AddressEntry& e) {
  if (!settings.CheckMac) return {};
  const std::string_view ip = fieldView(e.ipText);
  const int s = sampleIndex.firstIpMatch(SampleList, ip, ipTextHash(ip));
  if (s < 0) return {};
  const AddressEntry& sample = SampleList[s];
  // As decideRow: a sample without a MAC names its address whatever the MAC.
  if (sample.macText[0] != 0 && !matchMacPattern(fieldView(sample.macText), fieldView(e.macText)))
    return {};
  return fieldView(sample.hostName);
}

bool renameEntries(AddressList& list) {
  bool changed = false;
  for (AddressEntry& e : list) {
    const std::string_view name = sampleNameFor(e);
    if (name == fieldView(e.hostName)) continue;
    copyField(e.hostName, name);
    changed = true;
  }
  return changed;
}

}  // namespace

void refreshCacheNames() {
  sampleIndex.invalidate();      // built for this pass over the current samples only
  renameEntries(LastCacheList);  // later checks carry names over from here
  const bool changed = renameEntries(CacheList);
  sampleIndex.invalidate();
  if (changed) showCacheList();
}

void seedCheckRandom(std::uint32_t seed) { checkRandom.seed(seed); }

// Never 0: an all-zero MAC is skipped by the cache list, cannot be removed by the user and is
// dropped from the saved statics, so such a block would be invisible yet stay.
std::uint8_t nextCheckRandomByte() { return static_cast<std::uint8_t>(1 + checkRandom() % 255); }

void resetCheckCycle() {
  checkCountdown = 1;
  checkStarShown = false;
  arpErrorCount = 0;
  CacheList.clear();
  LastCacheList.clear();
  lastCacheIndex.invalidate();
  sampleIndex.invalidate();
  samplesLearned = false;
}
