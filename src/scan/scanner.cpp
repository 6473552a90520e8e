#include "scan/scanner.h"

#include <algorithm>
#include <atomic>
#include <random>

#include "arp/list_views.h"
#include "base/address_input.h"
#include "base/detached_thread.h"
#include "base/ui_hooks.h"
#include "report/journal.h"
#include "scan/address_conflicts.h"
#include "scan/probe.h"
#include "settings/settings.h"

std::int32_t workerSlots[kWorkerSlotCount];
std::uint32_t nextIndex = 0;
std::uint32_t scanCount = 0;
int activeWorkers = 0;
bool scanRunning = false;
std::optional<std::recursive_mutex> scanLock;
std::uint32_t showPos = 0;
bool repeatArmed = false;
bool stopRequested = false;
ScanFrontEnd scanFrontEnd{};

namespace {
// The records of the running pass. Workers reach them through this, never through the
// vector, which the main thread may move away (keepScanRecordsForWorkers).
AddressEntry* passRecords = nullptr;
// Indices of the pass whose worker could not start: nobody probes them, so the showing
// passes over them instead of waiting there for the rest of the pass.
std::uint32_t unstarted[kWorkerSlotCount];
int unstartedCount = 0;

// Per slot: its worker has finished an address and waits for its hand-off, and the token its
// messages carry this pass. A message that is not such a worker's answer is refused, so it
// can neither end a pass under probing workers nor hand out an address twice.
std::atomic<bool> handOffWaiting[kWorkerSlotCount];
std::atomic<std::uint64_t> slotTokens[kWorkerSlotCount];
std::mt19937_64 tokenSource{std::random_device{}()};

// Hand-offs handled this pass: the progress count.
std::uint32_t handledCount = 0;

int slotIndex(const std::int32_t* slot) { return static_cast<int>(slot - workerSlots); }

bool isUnstarted(std::uint32_t index) {
  return std::find(unstarted, unstarted + unstartedCount, index) != unstarted + unstartedCount;
}
}  // namespace

namespace {

// The hand-over point of a record: written last by its worker, read first by the main thread.
std::int32_t loadProbeState(AddressEntry& e) {
  return std::atomic_ref<std::int32_t>(e.probeState).load(std::memory_order_acquire);
}
void storeProbeState(AddressEntry& e, std::int32_t state) {
  std::atomic_ref<std::int32_t>(e.probeState).store(state, std::memory_order_release);
}

bool startWorker(std::int32_t* slot) {
  if (scanFrontEnd.startWorker) return scanFrontEnd.startWorker(slot);
  return startDetached(scanWorker, slot);
}

// Rows appear in address order: a result that finishes early waits for every lower index.
void showResults() {
  while (showPos < scanCount && showPos < ScanResults.size()) {
    AddressEntry& e = ScanResults[showPos];
    const std::int32_t state = loadProbeState(e);
    if (state == 0 && !isUnstarted(showPos)) break;
    if (state == 1) {
      uiScanHostShown(e, appendScanRow(e));
      if (settings.ScanCheckMac) compareWithSamples(e);
    }
    ++showPos;
  }
}

void endPass() {
  reportAddressConflicts();
  saveLearnedSamples();
  refillScanList();
  scanRunning = false;
  if (repeatArmed)
    setStatusText(2, "Опрос: Пауза");
  else if (stopRequested)
    setStatusText(2, "Опрос: Прервано");
  else
    setStatusText(2, "Опрос: Готово");
  if (scanFrontEnd.passEnded) scanFrontEnd.passEnded();
}

// The running text with the count of addresses done, some 256 times a pass at most: each
// change repaints the status bar.
void showProgress() {
  if (!scanRunning || stopRequested || scanCount == 0) return;
  const std::uint32_t step = scanCount / 256 + 1;
  if (handledCount % step != 0 && handledCount != scanCount && handledCount != 1) return;
  setStatusText(2, "Опрос: Выполняется... %u из %u", static_cast<unsigned>(handledCount),
                static_cast<unsigned>(scanCount));
}

void handOut(std::int32_t* slot) {
  if (nextIndex < scanCount) {
    *slot = static_cast<std::int32_t>(nextIndex);
  } else {
    *slot = -1;
    if (--activeWorkers == 0) endPass();
  }
  ++nextIndex;
}

}  // namespace

void createScanLock() { scanLock.emplace(); }
void deleteScanLock() { scanLock.reset(); }

int scanWorkerLimit() {
  return std::clamp<std::int32_t>(settings.MaxScanThreads, 1, kWorkerSlotCount);
}

ScanRange buildScanRange(std::uint32_t first, std::uint32_t last) {
  if (last < first) {
    ScanResults.clear();
    nextIndex = scanCount = 0;
    return ScanRange::Empty;
  }
  const std::uint64_t count = std::uint64_t{last} - first + 1;
  if (count > kMaxScanAddresses) return ScanRange::TooLarge;
  ScanResults.assign(count, makeEntry());
  // Counted, so the loop also ends after 255.255.255.255.
  for (std::uint64_t i = 0; i < count; ++i)
    ScanResults[i].ipValue = static_cast<std::uint32_t>(first + i);
  nextIndex = 0;
  scanCount = static_cast<std::uint32_t>(count);
  return ScanRange::Built;
}

ScanRange buildScanRange(const char* fromText, const char* toText) {
  const std::string_view from = fromText ? fromText : "";
  const std::string_view to = toText ? trimBlanks(toText) : "";
  std::uint32_t first, last;
  if (!readIpv4Text(from, first, true)) return ScanRange::FromInvalid;
  if (to.empty())
    last = first;
  else if (!readIpv4Text(to, last, true))
    return ScanRange::ToInvalid;
  if (last < first) return ScanRange::Reversed;
  return buildScanRange(first, last);
}

std::string scanRangeText(ScanRange range, const char* fromText, const char* toText) {
  switch (range) {
    case ScanRange::Built:
    case ScanRange::Empty:
      return {};
    case ScanRange::TooLarge:
      return "Слишком большой диапазон адресов: за один опрос не больше 65536 адресов.";
    case ScanRange::FromInvalid:
      return std::string("Неверный IP-адрес в поле «от»: ") + (fromText ? fromText : "");
    case ScanRange::ToInvalid:
      return std::string("Неверный IP-адрес в поле «до»: ") + (toText ? toText : "");
    case ScanRange::Reversed:
      return "Обратный диапазон адресов: адрес в поле «до» меньше адреса в поле «от».";
  }
  return {};
}

bool beginScanPass() {
  showPos = 0;
  stopRequested = false;
  nextIndex = 0;
  startScanPass();
  return scanRunning;
}

void startScanPass() {
  for (AddressEntry& e : ScanResults) e.probeState = 0;
  passRecords = ScanResults.data();
  uiClearList(ListId::Scan);
  activeWorkers = 0;
  unstartedCount = 0;
  handledCount = 0;
  const auto limit = static_cast<std::uint32_t>(scanWorkerLimit());
  while (nextIndex < limit && nextIndex < scanCount) {
    std::int32_t* slot = &workerSlots[nextIndex];
    *slot = static_cast<std::int32_t>(nextIndex);
    handOffWaiting[nextIndex].store(false, std::memory_order_relaxed);
    slotTokens[nextIndex].store(tokenSource() | 1, std::memory_order_release);
    // A worker that cannot start uses up its index: that record stays unprobed this pass.
    if (startWorker(slot))
      ++activeWorkers;
    else
      unstarted[unstartedCount++] = nextIndex;
    ++nextIndex;
  }
  if (activeWorkers > 0) {
    scanRunning = true;
    setStatusText(2, "Опрос: Выполняется...");
  }
  uiMarkSortedColumn(ListId::Scan, -1);
}

void scanWorker(std::int32_t* slot) {
  std::int32_t index = *slot;
  while (index >= 0) {
    AddressEntry& e = passRecords[index];
    const std::uint32_t address = hostToNetwork(e.ipValue);
    bool found = probeMac(address, e.macText);
    // Read for every address, so a change made during a pass applies from then on.
    if (std::atomic_ref<bool>(settings.ScanGetName).load(std::memory_order_relaxed) &&
        probeName(address, e.hostName, sizeof e.hostName))
      found = true;
    if (found) formatIpv4Host(e.ipValue, e.ipText);
    storeProbeState(e, found ? 1 : -1);
    handOffWaiting[slotIndex(slot)].store(true, std::memory_order_release);
    index = scanFrontEnd.handOff ? scanFrontEnd.handOff(slot) : -1;
  }
}

std::int32_t handleScanResult(std::int32_t* slot) {
  static bool showing = false;
  std::unique_lock<std::recursive_mutex> hold;
  if (scanLock) hold = std::unique_lock<std::recursive_mutex>(*scanLock);
  ++handledCount;
  if (showing) {
    handOut(slot);
    return *slot;
  }
  // Cleared however the showing ends, so that later messages still show their rows.
  struct Showing {
    Showing() { showing = true; }
    ~Showing() {
      uiHoldRedraw(ListId::Scan, false);
      showing = false;
    }
  } mark;
  // The rows of one message (several when a lower index finished last, all of them at the
  // refill) are painted once.
  uiHoldRedraw(ListId::Scan, true);
  showResults();
  reportAddressConflicts();
  handOut(slot);
  showProgress();
  return *slot;
}

std::uint64_t handOffToken(const std::int32_t* slot) {
  const int k = slotIndex(slot);
  return k >= 0 && k < kWorkerSlotCount ? slotTokens[k].load(std::memory_order_acquire) : 0;
}

bool takeHandOff(std::uint64_t slot, std::uint64_t token) {
  if (slot >= static_cast<std::uint64_t>(kWorkerSlotCount)) return false;
  if (token == 0 || slotTokens[slot].load(std::memory_order_acquire) != token) return false;
  return handOffWaiting[slot].exchange(false, std::memory_order_acq_rel);
}

void stopScanPass() {
  stopRequested = true;
  scanCount = std::min(scanCount, nextIndex);
  setStatusText(2, "Опрос: Остановка...");
}

void keepScanRecordsForWorkers() {
  saveLearnedSamples();  // what the pass learned so far is not lost with it
  // Never freed, not even by the exit's destructors; moving a vector keeps its buffer.
  static auto* kept = new std::vector<AddressList>;
  if (scanRunning) kept->push_back(std::move(ScanResults));
  ScanResults.clear();
}

bool sortScanResults(int column) {
  using Ordering = bool (*)(const AddressEntry&, const AddressEntry&);
  static const Ordering orderings[] = {lessByIp, lessByMac, lessByName};
  if (scanRunning || repeatArmed || column < 0 || column >= 3) return false;
  std::sort(ScanResults.begin(), ScanResults.end(), orderings[column]);
  uiHoldRedraw(ListId::Scan, true);
  refillScanList();
  uiHoldRedraw(ListId::Scan, false);
  uiMarkSortedColumn(ListId::Scan, column);
  return true;
}
