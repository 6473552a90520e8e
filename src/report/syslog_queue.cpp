#include "report/syslog_queue.h"

#include <chrono>
#include <utility>

#include "report/event_text.h"
#include "report/journal.h"

void pushSyslog(SyslogQueue& q, SyslogEntry entry) {
  bool wakeSender = false;
  {
    std::lock_guard hold(q.lock);
    if (q.capacity == 0) {
      ++q.dropped;
      return;
    }
    while (q.entries.size() >= q.capacity) {
      // A note put back by the sender is not a line; its count carries over.
      if (q.entries.front().kind == kDroppedNoteKind)
        q.dropped += q.entries.front().dropped;
      else
        ++q.dropped;
      q.entries.pop_front();
    }
    q.entries.push_back(std::move(entry));
    wakeSender = q.senderWaiting;
  }
  // Only a sleeping sender needs the wake-up: a flood costs the journal no system call a line.
  if (wakeSender) q.wake.notify_one();
}

bool waitForSyslog(SyslogQueue& q, int timeoutMs, bool& waited) {
  std::unique_lock hold(q.lock);
  waited = q.entries.empty() && q.dropped == 0;
  if (waited && !q.stopping) {
    q.senderWaiting = true;
    q.wake.wait_for(hold, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                    [&] { return !q.entries.empty() || q.dropped != 0 || q.stopping; });
    q.senderWaiting = false;
  }
  return !q.entries.empty() || q.dropped != 0;
}

bool takeSyslog(SyslogQueue& q, std::vector<SyslogEntry>& out, std::size_t maxLines,
                int timeoutMs) {
  out.clear();
  std::unique_lock hold(q.lock);
  if (q.entries.empty() && q.dropped == 0 && !q.stopping) {
    q.senderWaiting = true;
    q.wake.wait_for(hold, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                    [&] { return !q.entries.empty() || q.dropped != 0 || q.stopping; });
    q.senderWaiting = false;
  }
  if (q.dropped != 0) {
    SyslogEntry note;
    note.kind = kDroppedNoteKind;
    note.dropped = q.dropped;
    // The note is timed like the oldest line that survived, where the gap is.
    if (!q.entries.empty()) {
      note.time = q.entries.front().time;
      note.offsetMinutes = q.entries.front().offsetMinutes;
    } else {
      note.time = readLocalClock();
      note.offsetMinutes = localOffsetMinutes(note.time);
    }
    note.text = droppedNoteText(q.dropped);
    q.dropped = 0;
    out.push_back(std::move(note));
  }
  while (out.size() < maxLines && !q.entries.empty()) {
    out.push_back(std::move(q.entries.front()));
    q.entries.pop_front();
  }
  return !out.empty();
}

void returnSyslog(SyslogQueue& q, std::vector<SyslogEntry>& lines) {
  std::lock_guard hold(q.lock);
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    // A note goes back as its count: the next take makes one note of it and of new losses.
    if (it->kind == kDroppedNoteKind) {
      q.dropped += it->dropped;
    } else if (q.entries.size() >= q.capacity) {
      ++q.dropped;  // no room: the older lines being returned are the ones that go
    } else {
      q.entries.push_front(std::move(*it));
    }
  }
  lines.clear();
}

std::size_t syslogQueueLength(SyslogQueue& q) {
  std::lock_guard hold(q.lock);
  return q.entries.size();
}

void stopSyslogQueue(SyslogQueue& q) {
  {
    std::lock_guard hold(q.lock);
    q.stopping = true;
  }
  q.wake.notify_all();
}
