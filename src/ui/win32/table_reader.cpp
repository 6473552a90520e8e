// The ARP table read for a check on a thread of its own: Wine's read costs about half a
// millisecond a row, which the window's thread must not wait out on a large segment.
#include <cstdint>
#include <mutex>
#include <vector>

#include "arp/arp_table.h"
#include "arp/check_cycle.h"
#include "base/detached_thread.h"
#include "ui/win32/shell.h"

namespace {

// The reader's buffer, its last result and whether that waits to be taken; under readLock.
// The buffer and the snapshot change places when a read is taken, so both keep their size.
std::mutex readLock;
std::vector<std::uint8_t> readerBytes;
ArpRead readerResult{ArpReadResult::NoData, 0};
bool readDone = false;

bool reading = false;  // main thread: a read began and was not taken yet
bool ended = false;    // main thread: the shut-down ran, no check follows

void readTable() {
  std::vector<std::uint8_t> bytes;
  {
    std::lock_guard<std::mutex> g(readLock);
    bytes.swap(readerBytes);
  }
  const ArpRead read = readArpTableInto(bytes, false);
  {
    std::lock_guard<std::mutex> g(readLock);
    readerBytes.swap(bytes);
    readerResult = read;
    readDone = true;
  }
  // A lost wake-up only delays the check to the next tick.
  HWND main = MainWindow;
  if (main) PostMessageW(main, kTableReadMessage, 0, 0);
}

}  // namespace

bool startTableRead() {
  if (ended) return true;
  if (reading) return true;  // the check under way stands for this one
  reading = startDetached(readTable);
  return reading;
}

void takeTableRead() {
  ArpRead read{};
  {
    std::lock_guard<std::mutex> g(readLock);
    if (!readDone) return;
    readDone = false;
    arpSnapshot.bytes.swap(readerBytes);
    read = readerResult;
  }
  reading = false;
  if (ended) return;
  beginMessageBatch();
  finishCheck(read);
  endMessageBatch();
}

void endTableReads() { ended = true; }
