#include "report/mail_queue.h"

#include <utility>

std::mutex mailLock;
std::atomic<std::int32_t> mailCountdown{0};
bool socketsReady = false;
bool (*startMailThread)(std::string text) = nullptr;

namespace {
std::string mailQueue;  // guarded by mailLock
}

void enqueueMail(const char* line) {
  if (!line) return;
  std::lock_guard<std::mutex> g(mailLock);
  mailQueue += line;
}

std::string takeMailQueue() {
  std::string text;
  std::lock_guard<std::mutex> g(mailLock);
  text.swap(mailQueue);
  return text;
}

bool mailQueueEmpty() {
  std::lock_guard<std::mutex> g(mailLock);
  return mailQueue.empty();
}

void startMailSend() {
  // Without sockets the lines keep accumulating; nothing could carry them.
  if (!socketsReady) return;
  std::string text = takeMailQueue();
  if (text.empty()) return;
  // A thread that cannot be started loses its text: it is not put back or reported.
  if (startMailThread) startMailThread(std::move(text));
}
