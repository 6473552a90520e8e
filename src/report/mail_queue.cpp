#include "report/mail_queue.h"

#include <new>
#include <utility>

std::mutex mailLock;
std::atomic<std::int32_t> mailCountdown{0};
bool socketsReady = false;
bool (*startMailThread)(std::string text) = nullptr;

namespace {

struct MailState {
  std::string queue;    // lines since the last take
  std::string waiting;  // text taken while a send was under way
  bool sending = false;
};

// Never destroyed: a detached mail thread may still report after the static destructors
// ran at exit. Guarded by mailLock.
MailState& state = *new MailState;

// Moves more to the end of into (taking it whole when into is empty, which needs no memory).
// False when memory ran out; both are then unchanged.
bool join(std::string& into, std::string& more) {
  if (into.empty()) {
    into.swap(more);
    return true;
  }
  try {
    into += more;
  } catch (const std::bad_alloc&) {
    return false;
  }
  more.clear();
  return true;
}

}  // namespace

void enqueueMail(const char* line) {
  if (!line) return;
  std::lock_guard<std::mutex> g(mailLock);
  try {
    state.queue += line;
  } catch (const std::bad_alloc&) {
    // The line is dropped from the mail only; window and log have it already.
  }
}

std::string takeMailQueue() {
  std::string text;
  std::lock_guard<std::mutex> g(mailLock);
  text.swap(state.queue);
  return text;
}

bool mailQueueEmpty() {
  std::lock_guard<std::mutex> g(mailLock);
  return state.queue.empty();
}

void startMailSend() {
  // Without sockets the lines keep accumulating; nothing could carry them.
  if (!socketsReady) return;
  std::string text;
  {
    std::lock_guard<std::mutex> g(mailLock);
    // Out of memory the newer lines stay queued and go with a later countdown.
    join(state.waiting, state.queue);
    if (state.sending) return;
    text.swap(state.waiting);
    if (text.empty()) return;
    state.sending = true;
  }
  // A thread that cannot be started loses its text: it is not put back or reported.
  if (startMailThread && startMailThread(std::move(text))) return;
  std::lock_guard<std::mutex> g(mailLock);
  state.sending = false;
}

void mailSendFinished() {
  bool waiting = false;
  {
    std::lock_guard<std::mutex> g(mailLock);
    state.sending = false;
    waiting = !state.waiting.empty();
  }
  if (!waiting) return;
  std::int32_t count = mailCountdown.load();
  while (count <= 0 && !mailCountdown.compare_exchange_weak(count, 1)) {
  }
}

bool mailSendUnderWay() {
  std::lock_guard<std::mutex> g(mailLock);
  return state.sending;
}

void resetMailQueue() {
  std::lock_guard<std::mutex> g(mailLock);
  std::string().swap(state.queue);
  std::string().swap(state.waiting);
  state.sending = false;
}
