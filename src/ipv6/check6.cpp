#include "ipv6/check6.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/address.h"
#include "base/address6.h"
#include "base/address_input.h"
#include "base/mac_match.h"
#include "base/recent_keys.h"
#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "ipv6/bounded_memory.h"
#include "ipv6/known6.h"
#include "ipv6/neighbour6_view.h"
#include "ipv6/watch6.h"
#include "platform/errors.h"
#include "platform/neighbour6_platform.h"
#include "report/journal.h"
#include "route/adapters.h"
#include "settings/settings.h"

namespace {

constexpr std::size_t kMemoryMax = 4096;
// Samples the wire may teach in one run: made-up link-local bindings come as fast as frames.
constexpr std::size_t kWireLearnMax = 1024;

// Per address, the MAC it last showed and the MAC the decision left (a restore's): a binding
// either path decided is not decided again until the address shows another MAC.
struct Decided {
  std::string seen, decided;
};
BoundedMemory<Decided> decidedBindings(kMemoryMax);
OnceKeys stationsTold(kMemoryMax);  // MACs told as new stations

std::vector<Address6Row> ownAddresses;
bool neighboursUnsupported = false;  // the system has no IPv6 table: the check is off
bool readFailing = false;            // told once, quiet until a read succeeds
bool samplesLearned = false;
std::size_t wireLearned = 0;

char journalLine[kJournalTextMax + 1];

const Address6Row* ownRow(const Ipv6Address& a) {
  for (const Address6Row& own : ownAddresses)
    if (std::memcmp(own.addr, a.bytes, 16) == 0) return &own;
  return nullptr;
}

bool arpShowsMac(std::string_view mac) {
  for (const AddressList* list : {&CacheList, &LastCacheList})
    for (const AddressEntry& e : *list)
      if (sameMacText(fieldView(e.macText), mac)) return true;
  return false;
}

bool sample6NamesMac(std::string_view mac) {
  for (const Address6Entry& s : Sample6List)
    if (s.macText[0] && matchMacPattern(fieldView(s.macText), mac)) return true;
  return false;
}

// A station that gives our own address its MAC takes our traffic. Never learned or restored.
// True when the address is ours, told or not.
bool ownAddressClaim(const Address6Entry& e, const Ipv6Address& a) {
  const Address6Row* own = ownRow(a);
  if (!own) return false;
  std::uint8_t mac[6];
  if (!readMacText(fieldView(e.macText), mac) || isLocalMac(mac)) return true;
  const LocalAdapter* adapter = localAdapterOf(static_cast<std::int32_t>(own->ifIndex));
  std::snprintf(journalLine, sizeof journalLine,
                "Подмена адреса! %.46s %.20s (собственный адрес %.46s %.20s)", e.ipText, e.macText,
                e.ipText, adapter ? adapter->macText : "");
  reportEvent(journalLine, Spoofing);
  return true;
}

// The sample's MAC written back as a permanent neighbour; true when the table took it.
bool restoreSample(Address6Entry& e, const Ipv6Address& a, std::uint32_t ifIndex,
                   const Address6Entry& sample) {
  std::uint8_t mac[6];
  if (!readMacText(fieldView(sample.macText), mac)) {  // a pattern names no host
    std::snprintf(journalLine, sizeof journalLine,
                  "Ошибка восстановления MAC для IP %.46s: образец %.20s - %s", e.ipText,
                  sample.macText, macFaultText(macTextFault(fieldView(sample.macText))));
    reportEvent(journalLine, ProgramError);
    return false;
  }
  Neighbour6Row row;
  row.ifIndex = ifIndex;
  std::memcpy(row.addr, a.bytes, 16);
  std::memcpy(row.mac, mac, 6);
  row.macLength = 6;
  row.type = 4;
  if (platform::setNeighbour6(row) != kOk) {
    std::snprintf(journalLine, sizeof journalLine, "Ошибка восстановления MAC для IP %.46s",
                  e.ipText);
    reportEvent(journalLine, ProgramError);
    return false;
  }
  formatMac(mac, e.macText);
  copyField(e.typeText, kTypeStatic);
  return true;
}

// A binding without a sample: told when its MAC is a station never seen, learned when it is
// a link-local binding of a host that is not a router.
void decideUnknown(const Address6Entry& e, const Ipv6Address& a, bool router, bool outside) {
  const std::string_view mac = fieldView(e.macText);
  std::uint8_t bytes[6];
  if (!readMacText(mac, bytes) || isLocalMac(bytes)) return;  // one of our own adapters
  if (!sampleNamesMac(mac) && !arpShowsMac(mac) && stationsTold.first(textKey(mac))) {
    std::snprintf(journalLine, sizeof journalLine, "Новый IP-адрес! %.46s %.20s", e.ipText,
                  e.macText);
    reportEvent(journalLine, NewAddress);
  }
  if (!settings.AddNew || router || !isLinkLocal6(a) || sample6NamesMac(mac)) return;
  if (outside && wireLearned >= kWireLearnMax) return;
  Address6Entry learned = makeEntry6();
  copyField(learned.ipText, fieldView(e.ipText));
  copyField(learned.macText, mac);
  Sample6List.push_back(learned);
  samplesLearned = true;
  if (outside) ++wireLearned;
}

// What the check decides for a binding it has not decided before. True when a restore
// rewrote e's MAC.
bool decide(Address6Entry& e, const Ipv6Address& a, std::uint32_t ifIndex, bool router,
            bool outside) {
  if (ownAddressClaim(e, a)) return false;
  const int s = findSample6(fieldView(e.ipText));
  if (s < 0) {
    decideUnknown(e, a, router, outside);
    return false;
  }
  if (!settings.CheckMac) return false;
  const Address6Entry sample = Sample6List[static_cast<std::size_t>(s)];
  if (matchMacPattern(fieldView(sample.macText), fieldView(e.macText)) ||
      sampleMacSaysNothing(fieldView(sample.macText))) {
    copyField(e.hostName, fieldView(sample.hostName));
    return false;
  }
  std::snprintf(journalLine, sizeof journalLine, "Подмена адреса! %.46s %.20s (%.46s %.20s)",
                e.ipText, e.macText, sample.ipText, sample.macText);
  reportEvent(journalLine, Spoofing);
  return settings.Restore && restoreSample(e, a, ifIndex, sample);
}

std::string bindingKey(std::string_view ip) { return std::string(ip); }

void noteDecided(const Address6Entry& seen, const Address6Entry& result) {
  Decided& d = decidedBindings.put(bindingKey(fieldView(seen.ipText)));
  d.seen = fieldView(seen.macText);
  d.decided = fieldView(result.macText);
}

// Samples learned by a check or a frame: shown and saved once, after the last binding.
void afterLearning() {
  if (!samplesLearned) return;
  samplesLearned = false;
  showSamples6();
  saveSamples6();
}

// The row as an entry of the list; false for a row without a link-layer address or for a
// group address (the system's own rows).
bool rowEntry(const Neighbour6Row& row, Address6Entry& e) {
  static constexpr std::uint8_t kNoMac[6] = {};
  if (row.macLength != 6 || std::memcmp(row.mac, kNoMac, 6) == 0) return false;
  Ipv6Address a;
  std::memcpy(a.bytes, row.addr, 16);
  if (!isUnicast6(a)) return false;
  e = makeEntry6();
  copyField(e.ipText, formatIpv6(a));
  formatMac(row.mac, e.macText);
  copyField(e.typeText, row.type == 4 ? kTypeStatic : kTypeDynamic);
  e.ifIndex = row.ifIndex;
  e.router = row.router;
  return true;
}

std::string listKey(const Address6Entry& e) {
  std::string key(fieldView(e.ipText));
  key.append(1, '\t').append(fieldView(e.macText));
  return key;
}

bool sameList(const Address6List& a, const Address6List& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (listKey(a[i]) != listKey(b[i]) || fieldView(a[i].typeText) != fieldView(b[i].typeText) ||
        fieldView(a[i].hostName) != fieldView(b[i].hostName) || a[i].ifIndex != b[i].ifIndex ||
        a[i].router != b[i].router)
      return false;
  return true;
}

// Our own addresses; a failed read keeps those of the last one.
void readOwnAddresses() {
  std::vector<Address6Row> rows;
  const std::uint32_t r = platform::getAddresses6(rows);
  if (r == kOk) ownAddresses.swap(rows);
}

void checkNeighbours(const std::vector<Neighbour6Row>& rows) {
  std::unordered_map<std::string, std::size_t> previous;
  for (std::size_t i = 0; i < Neighbour6List.size(); ++i)
    previous.emplace(listKey(Neighbour6List[i]), i);
  const bool compare = settings.AddNew || settings.CheckMac;
  Address6List list;
  list.reserve(rows.size());
  for (const Neighbour6Row& row : rows) {
    Address6Entry e;
    if (!rowEntry(row, e)) continue;
    const auto p = previous.find(listKey(e));
    if (p != previous.end()) {
      copyField(e.hostName, fieldView(Neighbour6List[p->second].hostName));
    } else if (compare && isUnicastMacText(fieldView(e.macText)) &&
               !bindingDecided6(fieldView(e.ipText), fieldView(e.macText))) {
      const Address6Entry seen = e;
      Ipv6Address a;
      std::memcpy(a.bytes, row.addr, 16);
      decide(e, a, row.ifIndex, row.router, false);
      noteDecided(seen, e);
    } else {
      copyField(e.hostName, sampleName6(fieldView(e.ipText), fieldView(e.macText)));
    }
    list.push_back(e);
  }
  afterLearning();
  if (sameList(list, Neighbour6List)) return;
  Neighbour6List.swap(list);
  showNeighbours6();
}

}  // namespace

void runCheck6() {
  if (!settings.WatchIpv6 || neighboursUnsupported) return;
  try {
    readOwnAddresses();
    std::vector<Neighbour6Row> rows;
    const std::uint32_t r = platform::getNeighbours6(rows);
    if (r == kErrorNotSupported) {
      neighboursUnsupported = true;  // nothing to tell: the system keeps no such table
      return;
    }
    if (r != kOk) {
      if (!readFailing) reportEvent("Ошибка при обращении к таблице соседей IPv6.", ProgramError);
      readFailing = true;
      return;
    }
    readFailing = false;
    checkNeighbours(rows);
  } catch (const std::bad_alloc&) {
    // The lists stay as the last check left them; the next check tries again.
    samplesLearned = false;
  }
}

bool decideBinding6(Address6Entry& e, std::uint32_t ifIndex, bool routerFlag) {
  if (!settings.WatchIpv6 || (!settings.AddNew && !settings.CheckMac)) return false;
  Ipv6Address a;
  if (!readIpv6Text(fieldView(e.ipText), a) || !isUnicast6(a) ||
      !isUnicastMacText(fieldView(e.macText)))
    return false;
  copyField(e.ipText, formatIpv6(a));
  char mac[20];
  if (canonicalMacText(fieldView(e.macText), mac)) copyField(e.macText, fieldView(mac));
  if (bindingDecided6(fieldView(e.ipText), fieldView(e.macText))) {
    copyField(e.hostName, sampleName6(fieldView(e.ipText), fieldView(e.macText)));
    return false;
  }
  try {
    const Address6Entry seen = e;
    const bool rewritten = decide(e, a, ifIndex, routerFlag, true);
    noteDecided(seen, e);
    afterLearning();
    return rewritten;
  } catch (const std::bad_alloc&) {
    samplesLearned = false;
    return false;
  }
}

bool bindingDecided6(std::string_view ipText, std::string_view macText) {
  const Decided* d = decidedBindings.find(bindingKey(ipText));
  return d && (sameMacText(d->seen, macText) || sameMacText(d->decided, macText));
}

std::string_view sampleName6(std::string_view ipText, std::string_view macText) {
  if (!settings.CheckMac) return {};
  const int s = findSample6(ipText);
  if (s < 0) return {};
  const Address6Entry& sample = Sample6List[static_cast<std::size_t>(s)];
  // As the decision: a sample without a MAC names its address whatever the MAC.
  if (sample.macText[0] != 0 && !matchMacPattern(fieldView(sample.macText), macText)) return {};
  return fieldView(sample.hostName);
}

bool ownAddress6(std::string_view ipText) {
  Ipv6Address a;
  return readIpv6Text(ipText, a) && ownRow(a) != nullptr;
}

void resetCheck6() {
  Neighbour6List.clear();
  decidedBindings.clear();
  stationsTold.clear();
  ownAddresses.clear();
  neighboursUnsupported = false;
  readFailing = false;
  samplesLearned = false;
  wireLearned = 0;
}
