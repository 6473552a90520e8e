#include "report/syslog_sender.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/host_platform.h"
#include "platform/socket_platform.h"
#include "report/event_text.h"
#include "report/journal.h"
#include "report/journal_tap.h"
#include "report/mail_queue.h"
#include "report/syslog_queue.h"

int syslogRetryFirstMs = 500;
int syslogRetryLastMs = 30000;
int syslogStallMs = 30000;
SyslogCounters syslogCounters;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kBatchLines = 256;
constexpr int kSliceMs = 200;  // the longest the sender waits without looking at a stop
// Lines after a quiet spell usually begin a burst from one check: the sender lets the check
// finish (the queue stops growing for a step) before it competes with it for the processor.
constexpr int kGatherStepMs = 5;
constexpr int kGatherSteps = 20;

struct Sender {
  SyslogSettings settings;
  SyslogOrigin origin;
  SyslogQueue queue;
  std::thread thread;
  std::mutex doneLock;
  std::condition_variable doneWake;
  bool done = false;
  std::atomic<bool> stopping{false};
  std::atomic<Clock::rep> deadline{0};  // when stopping: give up sending then
  Sender* retiredBefore = nullptr;
};

// The running sender. Stopped ones are kept, never freed: a report under way on another
// thread may still hold one, and a thread that would not stop in time still uses its own.
std::atomic<Sender*> current{nullptr};
Sender* retired = nullptr;
std::string problemText;

bool pastDeadline(const Sender& s) {
  return s.stopping.load() && Clock::now().time_since_epoch().count() >= s.deadline.load();
}

// The offset of the hour in question, computed once an hour of lines.
struct OffsetCache {
  int year = -1, month = 0, day = 0, hour = 0, offset = 0;
  int of(const platform::WallClock& t) {
    if (t.year != year || t.month != month || t.day != day || t.hour != hour) {
      year = t.year, month = t.month, day = t.day, hour = t.hour;
      offset = localOffsetMinutes(t);
    }
    return offset;
  }
};

struct Link {
  platform::SocketHandle socket = platform::kNoSocket;
  void close() {
    if (socket != platform::kNoSocket) platform::closeSocket(socket);
    socket = platform::kNoSocket;
  }
};

bool connectLink(Sender& s, Link& link) {
  std::uint32_t address = 0;
  if (!platform::resolveIpv4(s.settings.SyslogServer, address)) return false;
  link.socket = s.settings.tcp ? platform::openTcpSocket() : platform::openUdpSocket();
  if (link.socket == platform::kNoSocket) return false;
  const auto port = static_cast<std::uint16_t>(s.settings.SyslogPort);
  // TCP writes without blocking, so a collector that stops reading cannot hold the sender.
  if (!platform::connectIpv4(link.socket, address, port) ||
      (s.settings.tcp && !platform::setSocketNonBlocking(link.socket, true))) {
    link.close();
    return false;
  }
  ++syslogCounters.connects;
  return true;
}

// A collector that has closed its end shows as readable with nothing to read: found before
// a write, its lines are not lost into a dead connection.
bool linkStillOpen(Link& link) {
  char scratch[512];
  for (int i = 0; i < 64; ++i) {
    if (platform::waitSocketReadable(link.socket, 0) != platform::SocketWait::Ready) return true;
    const long n = platform::receiveSocket(link.socket, scratch, sizeof scratch);
    if (n == platform::kSocketWouldBlock) return true;
    if (n <= 0) return false;  // closed or failed; a collector's own words are ignored
  }
  return true;
}

// Writes all of data; false when the link failed, stalled or the stop's time ran out.
// written tells how far it got.
bool writeAll(Sender& s, Link& link, const std::string& data, std::size_t& written) {
  written = 0;
  auto lastProgress = Clock::now();
  while (written < data.size()) {
    const long n = platform::sendSocket(link.socket, data.data() + written, data.size() - written);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      lastProgress = Clock::now();
      continue;
    }
    if (n != platform::kSocketWouldBlock) return false;
    if (pastDeadline(s)) return false;
    if (Clock::now() - lastProgress > std::chrono::milliseconds(syslogStallMs)) return false;
    if (platform::waitSocketWritable(link.socket, kSliceMs) == platform::SocketWait::Error)
      return false;
  }
  return true;
}

// Sends the batch; answers how many lines went out whole (the rest are to be sent again).
std::size_t sendBatch(Sender& s, Link& link, std::vector<SyslogEntry>& batch,
                      OffsetCache& offsets) {
  if (!s.settings.tcp) {
    for (std::size_t i = 0; i < batch.size(); ++i) {
      if (batch[i].kind != kDroppedNoteKind) batch[i].offsetMinutes = offsets.of(batch[i].time);
      std::string message = syslogMessage(batch[i], s.origin);
      cutUtf8(message, kSyslogUdpMax);
      if (platform::sendSocket(link.socket, message.data(), message.size()) < 0) return i;
      ++syslogCounters.sent;
    }
    return batch.size();
  }
  if (!linkStillOpen(link)) return 0;
  std::string data;
  std::vector<std::size_t> ends;
  ends.reserve(batch.size());
  for (SyslogEntry& e : batch) {
    if (e.kind != kDroppedNoteKind) e.offsetMinutes = offsets.of(e.time);
    data += octetCountedFrame(syslogMessage(e, s.origin));
    ends.push_back(data.size());
  }
  std::size_t written = 0;
  const bool whole = writeAll(s, link, data, written);
  std::size_t lines = 0;
  while (lines < ends.size() && ends[lines] <= written) ++lines;
  syslogCounters.sent += lines;
  return whole ? batch.size() : lines;
}

// Sleeps ms, or less when a stop comes or its time runs out.
void pause(Sender& s, int ms) {
  const auto until = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < until && !pastDeadline(s))
    std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMs < ms ? kSliceMs : ms));
}

void senderThread(Sender* s) {
  platform::lowerThreadPriority();  // the tick comes first; the queue holds what waits
  Link link;
  OffsetCache offsets;
  std::vector<SyslogEntry> batch;
  int retryMs = syslogRetryFirstMs;
  for (;;) {
    if (pastDeadline(*s)) break;
    bool waited = false;
    if (!waitForSyslog(s->queue, kSliceMs, waited)) {
      if (s->stopping.load()) break;  // stopped with nothing left to send
      continue;
    }
    if (waited && !s->stopping.load()) {
      std::size_t seen = 0;
      for (int i = 0; i < kGatherSteps; ++i) {
        const std::size_t now = syslogQueueLength(s->queue);
        if (now == seen) break;
        seen = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(kGatherStepMs));
      }
    }
    if (!takeSyslog(s->queue, batch, kBatchLines, 0)) continue;
    if (link.socket == platform::kNoSocket && !connectLink(*s, link)) {
      ++syslogCounters.failures;
      returnSyslog(s->queue, batch);
      pause(*s, retryMs);
      retryMs = retryMs * 2 < syslogRetryLastMs ? retryMs * 2 : syslogRetryLastMs;
      continue;
    }
    const std::size_t sent = sendBatch(*s, link, batch, offsets);
    if (sent == batch.size()) {
      retryMs = syslogRetryFirstMs;
      continue;
    }
    // The link failed: what went out whole stays sent, the rest waits for the next link.
    ++syslogCounters.failures;
    link.close();
    batch.erase(batch.begin(), batch.begin() + static_cast<std::ptrdiff_t>(sent));
    returnSyslog(s->queue, batch);
    pause(*s, retryMs);
    retryMs = retryMs * 2 < syslogRetryLastMs ? retryMs * 2 : syslogRetryLastMs;
  }
  link.close();
  std::lock_guard hold(s->doneLock);
  s->done = true;
  s->doneWake.notify_all();
}

void syslogTap(const JournalRecord& record) {
  Sender* s = current.load(std::memory_order_acquire);
  if (!s || (record.kind & s->settings.SyslogMask) == 0 || s->stopping.load()) return;
  SyslogEntry e;
  e.text.assign(record.text);
  e.kind = record.kind;
  e.time = record.time;
  pushSyslog(s->queue, std::move(e));
}

}  // namespace

bool startSyslogSender(const SyslogSettings& settings, const SyslogOrigin& origin) {
  if (current.load()) return false;
  auto* s = new Sender;
  s->settings = settings;
  s->origin = origin;
  try {
    s->thread = std::thread(senderThread, s);
  } catch (const std::system_error&) {
    delete s;
    return false;
  }
  current.store(s, std::memory_order_release);
  if (!addJournalTap(syslogTap)) {
    stopSyslog(0);
    return false;
  }
  return true;
}

void startSyslog() {
  SyslogSettings settings;
  if (!readSyslogSettings(settings, problemText) || settings.SyslogServer[0] == 0) return;
  if (!socketsReady) return;  // no socket layer: told at start-up already
  SyslogOrigin origin;
  origin.hostName = platform::hostName();
  origin.processId = platform::processId();
  startSyslogSender(settings, origin);
}

void reportSyslogProblem() {
  if (problemText.empty()) return;
  const std::string text = std::move(problemText);
  problemText.clear();
  reportEvent(text.c_str(), ProgramError);
}

void stopSyslog(int waitMs) {
  Sender* s = current.load();
  if (!s) return;
  removeJournalTap(syslogTap);
  s->deadline.store((Clock::now() + std::chrono::milliseconds(waitMs < 0 ? 0 : waitMs))
                        .time_since_epoch()
                        .count());
  s->stopping.store(true);
  stopSyslogQueue(s->queue);
  std::unique_lock hold(s->doneLock);
  // A little beyond the deadline: a write or a resolution under way has to return first.
  const bool done = s->doneWake.wait_for(hold, std::chrono::milliseconds(waitMs + 2 * kSliceMs),
                                         [&] { return s->done; });
  hold.unlock();
  if (!done) {
    s->thread.detach();  // left running (a connect or a name lookup that hangs)
    return;              // and left in current, so no second sender starts beside it
  }
  s->thread.join();
  current.store(nullptr);
  {
    // Lines that did not go out in time are given up; their memory goes back for reuse.
    std::lock_guard q(s->queue.lock);
    std::deque<SyslogEntry>().swap(s->queue.entries);
  }
  s->retiredBefore = retired;
  retired = s;
}

std::size_t syslogQueued() {
  Sender* s = current.load();
  return s ? syslogQueueLength(s->queue) : 0;
}
