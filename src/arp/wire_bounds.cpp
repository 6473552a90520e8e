#include "arp/wire_bounds.h"

#include <algorithm>
#include <cstdio>

#include "report/journal.h"

WriteBound wireLearnBound{"добавление в образцы", 64, 60, 4096};
WriteBound wireBlockBound{"блокировка", 32, 30, 256};

namespace {

constexpr double kQuietSeconds = 60;

void tellStop(const WriteBound& b, bool total) {
  char line[kJournalTextMax + 1];
  if (total)
    std::snprintf(line, sizeof line,
                  "Прослушивание сети: %s новых адресов прекращено до перезапуска "
                  "(предел %u).",
                  b.what, static_cast<unsigned>(b.total));
  else
    std::snprintf(line, sizeof line,
                  "Прослушивание сети: %s новых адресов приостановлено (не более %.0f сразу "
                  "и %.0f в минуту).",
                  b.what, b.burst, b.perMinute);
  reportEvent(line, Info);
}

}  // namespace

bool spendWriteBound(WriteBound& b, double now) {
  if (b.spent >= b.total) return false;  // told when it was reached
  b.tokens = b.last < 0 ? b.burst : std::min(b.burst, b.tokens + (now - b.last) * b.perMinute / 60);
  b.last = now;
  if (b.tokens >= 1) {
    b.tokens -= 1;
    if (++b.spent == b.total) tellStop(b, true);
    return true;
  }
  if (b.lastRefusal < 0 || now - b.lastRefusal >= kQuietSeconds) tellStop(b, false);
  b.lastRefusal = now;
  return false;
}

void resetWireBounds() {
  for (WriteBound* b : {&wireLearnBound, &wireBlockBound}) {
    b->tokens = 0;
    b->last = b->lastRefusal = -1;
    b->spent = 0;
  }
}
