#pragma once
// The lines waiting for the syslog sender: bounded, filled by the reporting threads without
// ever waiting for the network, drained by the one sender thread. When it is full the oldest
// line goes and the loss is counted, so that one note can say so once the link is back.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "report/syslog_message.h"

inline constexpr std::size_t kSyslogQueueCapacity = 10000;

struct SyslogQueue {
  std::mutex lock;
  std::condition_variable wake;
  std::deque<SyslogEntry> entries;
  std::size_t capacity = kSyslogQueueCapacity;
  std::uint64_t dropped = 0;   // lost since the last note was taken
  bool senderWaiting = false;  // the sender sleeps on wake
  bool stopping = false;
};

// Appends; a full queue loses its oldest line first. Never waits for the sender.
void pushSyslog(SyslogQueue& q, SyslogEntry entry);
// Waits up to timeoutMs for lines or a stop without taking any; true when lines wait, and
// waited tells whether the queue was empty at first.
bool waitForSyslog(SyslogQueue& q, int timeoutMs, bool& waited);
// Waits up to timeoutMs for lines (or a stop) and moves up to maxLines of them into out
// (cleared first). When lines were dropped, a note with their count comes first and the
// count starts again. False when nothing was taken.
bool takeSyslog(SyslogQueue& q, std::vector<SyslogEntry>& out, std::size_t maxLines, int timeoutMs);
// Puts lines that could not be sent back at the front, in their order, within the capacity
// (the oldest of them go first, counted as dropped).
void returnSyslog(SyslogQueue& q, std::vector<SyslogEntry>& lines);
std::size_t syslogQueueLength(SyslogQueue& q);
void stopSyslogQueue(SyslogQueue& q);
