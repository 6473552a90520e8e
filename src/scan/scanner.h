#pragma once
// The range scanner: 1 to 16 worker threads probe the addresses of ScanResults, one address
// at a time, and the main thread hands the addresses out and shows the results in address
// order. Everything here but scanWorker runs on the main thread.
//
// How a front end drives it:
//  1. At start: createScanLock(); fill scanFrontEnd.handOff (and passEnded if it has
//     controls to change when a pass ends).
//  2. A run: buildScanRange(first, last); when it answers ScanRange::Built, beginScanPass().
//     It answers false when no worker could be started (the front end stays idle).
//  3. The hand-off seam: a worker calls scanFrontEnd.handOff(slot) after each address and
//     blocks until the main thread has run handleScanResult(slot) for it; handOff returns
//     that call's answer (the next index, or -1 to end). The GUI sends WM_USER+100 to the
//     page (SendMessage waits; the page answers next + 1 as the message result). The
//     console pushes the slot to its main thread's queue and waits on a condition variable
//     until the main loop has run the call and stored its answer. handleScanResult shows
//     what finished, hands out the next address, and at the end of the pass (scanRunning
//     turns false) sets the final status text and calls passEnded. Each host shown is
//     appended to the scan list (ListId::Scan) and then handed to uiHooks.scanHostShown.
//  4. Stop: stopScanPass(). Workers finish the address they hold; the pass then ends as
//     usual, with stopRequested telling the front end it was interrupted.
//  5. Repeat: once the pass has ended, beginScanPass() again over the same ScanResults.
//  6. At the end: keepScanRecordsForWorkers() if a pass runs, deleteScanLock(); workers
//     still running end with the process.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "base/address.h"

inline constexpr int kWorkerSlotCount = 16;
// Larger ranges are refused rather than allocated (a /16 is the largest sensible scan).
inline constexpr std::uint64_t kMaxScanAddresses = 65536;

// Worker k owns slot k for a pass: the index it is to probe next, or -1 to end.
extern std::int32_t workerSlots[kWorkerSlotCount];
extern std::uint32_t nextIndex;  // next index to hand out
extern std::uint32_t scanCount;  // indices 0 to scanCount - 1 may be handed out
extern int activeWorkers;        // workers not yet told to end
extern bool scanRunning;         // from the start of a pass until its last worker is told to end
// Held for the whole of handleScanResult. Recursive: a window system may deliver another
// worker's message while the handler waits on a window of another thread.
extern std::optional<std::recursive_mutex> scanLock;

// What the page keeps (main thread).
extern std::uint32_t showPos;  // next record of ScanResults not yet shown
extern bool repeatArmed;       // the front end's repeat timer is set
extern bool stopRequested;     // the user stopped the current pass

struct ScanFrontEnd {
  // Worker thread: has handleScanResult(slot) run on the main thread, waits for it and
  // answers what it returned: the next index, or -1 to end (also when the main thread cannot
  // be reached). The worker never reads its slot again after the wait, since the next pass
  // may already have written it.
  std::int32_t (*handOff)(std::int32_t* slot);
  // Main thread, at the end of a pass after its status text: the front end's controls.
  void (*passEnded)();
  // Starts one worker running scanWorker(slot); null: a detached thread. False when it
  // could not be started.
  bool (*startWorker)(std::int32_t* slot);
};
extern ScanFrontEnd scanFrontEnd;

void createScanLock();
void deleteScanLock();

// MaxScanThreads bounded to 1..16: a hand-edited 0 still scans, 100 never starts 100.
int scanWorkerLimit();

enum class ScanRange { Built, Empty, TooLarge, FromInvalid, ToInvalid, Reversed };
// Rebuilds ScanResults (idle only): one zeroed record per address from first to last
// inclusive, ascending; nextIndex = 0, scanCount = the count. last below first: Empty (the
// list is emptied). More than kMaxScanAddresses: TooLarge, and nothing changes.
ScanRange buildScanRange(std::uint32_t first, std::uint32_t last);
// The range fields as the page reads them, each by readIpv4Text with its short forms: an
// empty last field means the first address. A field that is no address (FromInvalid,
// ToInvalid) or a last address below the first (Reversed) changes nothing.
ScanRange buildScanRange(const char* fromText, const char* toText);
// The message for a refused range; empty for Built and Empty.
std::string scanRangeText(ScanRange range, const char* fromText, const char* toText);

// showPos = 0, stopRequested = false, nextIndex = 0, then startScanPass. True: running.
bool beginScanPass();
void startScanPass();
void scanWorker(std::int32_t* slot);
// The main thread's handling of one worker's message: show, hand out, end of the pass.
// Returns what it wrote into the slot. A call nested in another (a message delivered while
// the first shows its results) only hands out; the outer call shows what has finished.
std::int32_t handleScanResult(std::int32_t* slot);
// A hand-off message is taken only from a slot whose worker waits for its answer and with
// the token the slot holds this pass: a message from elsewhere, or one sent twice, must
// not hand out or end a pass under workers still probing. handOffToken: worker thread, the
// token its message carries; takeHandOff: main thread, true once per waiting hand-off.
std::uint64_t handOffToken(const std::int32_t* slot);
bool takeHandOff(std::uint64_t slot, std::uint64_t token);
// No further address is handed out; status part 2 "Опрос: Остановка...".
void stopScanPass();
// When the front end goes while a pass runs (program exit): the records move to storage
// that is never freed, so a worker still probing writes into live memory while the
// process ends. ScanResults is left empty.
void keepScanRecordsForWorkers();

// Sorts ScanResults by a result-list column (0 IP, 1 MAC, 2 name), refills and marks it.
// Only while idle (no pass, no repeat): false, nothing done, otherwise.
bool sortScanResults(int column);

// The comparison of a found record with the samples: spoofing, new address and
// additional-IP reports; with AddNew it may learn the record as a sample.
void compareWithSamples(const AddressEntry& found);
// Shows and writes the samples once when the comparisons learned some: at the end of a pass
// (a stopped one too) and when the front end goes.
void saveLearnedSamples();
