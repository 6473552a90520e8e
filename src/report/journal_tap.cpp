#include "report/journal_tap.h"

#include <atomic>

namespace {

// Atomic slots: a tap added or removed while another thread reports is seen whole or not at all.
std::atomic<JournalTap> taps[kJournalTapSlots];

}  // namespace

bool addJournalTap(JournalTap tap) {
  if (!tap) return false;
  for (auto& slot : taps) {
    JournalTap empty = nullptr;
    if (slot.compare_exchange_strong(empty, tap)) return true;
  }
  return false;
}

void removeJournalTap(JournalTap tap) {
  for (auto& slot : taps) {
    JournalTap mine = tap;
    slot.compare_exchange_strong(mine, nullptr);
  }
}

void tapJournalLine(const JournalRecord& record) {
  for (auto& slot : taps)
    if (const JournalTap tap = slot.load(std::memory_order_acquire)) tap(record);
}
