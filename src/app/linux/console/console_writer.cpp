#include "app/linux/console/console_writer.h"

#include <utility>
#include <vector>

#include "app/linux/console/console_locale.h"
#include "base/detached_thread.h"

namespace {

void writeQueued(ConsoleStream* stream) {
  std::vector<std::string> batch;
  std::unique_lock<std::mutex> hold(stream->lock);
  for (;;) {
    stream->changed.wait(hold, [&] { return !stream->pending.empty() || stream->stopping; });
    if (stream->pending.empty()) break;  // stopping, and everything is out
    batch.clear();
    if (stream->dropped > 0) {
      batch.push_back(droppedLinesNote(*stream, stream->dropped));
      stream->dropped = 0;
    }
    for (std::string& line : stream->pending) batch.push_back(std::move(line));
    stream->pending.clear();
    stream->pendingBytes = 0;
    stream->busy = true;
    const int fd = stream->fd;
    hold.unlock();
    bool written = true;
    for (const std::string& text : batch) written = writeConsoleNow(fd, text) && written;
    hold.lock();
    if (!written) stream->failed = true;
    stream->busy = false;
    stream->changed.notify_all();
  }
  stream->queued = false;
  stream->stopping = false;
  stream->changed.notify_all();
}

}  // namespace

std::string droppedLinesNote(const ConsoleStream& stream, std::uint64_t count) {
  const std::string note = "vetrel: " + std::to_string(count) +
                           " line(s) dropped: the output was not being read (with " +
                           "WriteLog=1 quorel.log keeps the journal lines)\r\n";
  return consoleForm(stream, note);
}

void queueConsoleText(ConsoleStream& stream, std::string&& text) {
  // The oldest lines make room: a stalled reader sees the newest ones when it is back.
  while (!stream.pending.empty() && stream.pendingBytes + text.size() > stream.queueLimit) {
    stream.pendingBytes -= stream.pending.front().size();
    stream.pending.pop_front();
    ++stream.dropped;
  }
  stream.pendingBytes += text.size();
  stream.pending.push_back(std::move(text));
  stream.changed.notify_all();
}

bool startConsoleWriter(ConsoleStream& stream, std::size_t limit) {
  std::lock_guard<std::mutex> hold(stream.lock);
  if (stream.queued) return true;
  stream.stopping = false;
  stream.queueLimit = limit;
  if (!startDetached(writeQueued, &stream)) return false;
  stream.queued = true;
  return true;
}

bool finishConsoleWriter(ConsoleStream& stream, std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> hold(stream.lock);
  if (!stream.queued) return true;
  stream.stopping = true;
  stream.changed.notify_all();
  return stream.changed.wait_for(hold, limit, [&] { return !stream.queued; });
}
