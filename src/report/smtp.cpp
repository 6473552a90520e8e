#include "report/smtp.h"

#include <chrono>
#include <cstdint>

int smtpWaitMs = 60000;

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Follows the reply line by line; a line whose fourth character is a blank (or that ends
// right after its code) is the last one of a reply.
struct ReplyScanner {
  std::size_t column = 0;
  bool complete = false;
  bool continued = false;

  void feed(const char* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n && !complete; ++i) {
      const char c = bytes[i];
      if (column == 3) continued = !(c == ' ' || c == '\r' || c == '\n');
      if (c == '\n') {
        if (column >= 3 && !continued) complete = true;
        column = 0;
        continued = false;
      } else {
        ++column;
      }
    }
  }
};

// 1 ready, 0 timed out, -1 failed: the exchange's own answers.
int waitWritable(platform::SocketHandle s, int timeoutMs) {
  switch (platform::waitSocketWritable(s, timeoutMs)) {
    case platform::SocketWait::Ready:
      return 1;
    case platform::SocketWait::Timeout:
      return 0;
    case platform::SocketWait::Error:
      break;
  }
  return -1;
}

// Hands the whole request to the socket, waiting for room between partial sends.
int sendRequest(platform::SocketHandle s, const char* request, std::size_t length) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(smtpWaitMs);
  std::size_t sent = 0;
  while (sent < length) {
    const long n = platform::sendSocket(s, request + sent, length - sent);
    if (n < 0 && n != platform::kSocketWouldBlock) return -1;
    if (n > 0) sent += static_cast<std::size_t>(n);
    if (sent == length) break;
    const int ready = waitWritable(s, millisecondsLeft(deadline));
    if (ready != 1) return ready;
  }
  return 1;
}

}  // namespace

int smtpReplyCode(const char* reply) {
  if (!reply) return 0;
  while (*reply == ' ' || *reply == '\t' || *reply == '\r' || *reply == '\n') ++reply;
  int code = 0;
  for (; *reply >= '0' && *reply <= '9'; ++reply)
    if (code < 100000) code = code * 10 + (*reply - '0');  // garbage digits cannot overflow
  return code;
}

int smtpExchange(platform::SocketHandle s, const char* request, std::size_t length, char* reply,
                 std::size_t capacity) {
  if (!reply || capacity == 0) return -1;
  const int ready = waitWritable(s, smtpWaitMs);
  if (ready != 1) return ready;
  if (request && length != 0) {
    const int sent = sendRequest(s, request, length);
    if (sent != 1) return sent;
  }

  // One deadline for the whole reply, so a server that drips bytes cannot hold the thread.
  const auto deadline = Clock::now() + std::chrono::milliseconds(smtpWaitMs);
  ReplyScanner scanner;
  std::size_t used = 0;
  bool received = false;
  char overflow[512];
  while (!scanner.complete) {
    const platform::SocketWait w = platform::waitSocketReadable(s, millisecondsLeft(deadline));
    if (w != platform::SocketWait::Ready) {
      if (!received) return w == platform::SocketWait::Timeout ? 0 : -1;
      break;
    }
    char* into = used < capacity - 1 ? reply + used : overflow;
    const std::size_t room = used < capacity - 1 ? capacity - 1 - used : sizeof overflow;
    const long n = platform::receiveSocket(s, into, room);
    if (n == platform::kSocketWouldBlock) {
      if (millisecondsLeft(deadline) == 0) break;
      continue;
    }
    if (n < 0) {
      if (!received) return -1;
      break;
    }
    received = true;    // the previous reply gives way to this one
    if (n == 0) break;  // the server closed: what came is the reply
    scanner.feed(into, static_cast<std::size_t>(n));
    if (into != overflow) used += static_cast<std::size_t>(n);
    reply[used] = 0;
  }
  reply[used] = 0;
  return smtpReplyCode(reply);
}

std::size_t base64Encode(char* out, const char* in, std::size_t capacity) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  if (!out || capacity == 0) return 0;
  std::size_t written = 0;
  std::size_t groups = (capacity - 1) / 4;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(in ? in : "");
  while (groups-- > 0 && p[0]) {
    const std::uint32_t b0 = p[0];
    const std::uint32_t b1 = p[1];
    const std::uint32_t b2 = b1 ? p[2] : 0;
    const std::uint32_t v = b0 << 16 | b1 << 8 | b2;
    out[written++] = alphabet[v >> 18 & 63];
    out[written++] = alphabet[v >> 12 & 63];
    out[written++] = b1 ? alphabet[v >> 6 & 63] : '=';
    out[written++] = b1 && b2 ? alphabet[v & 63] : '=';
    p += !b1 ? 1 : !b2 ? 2 : 3;
  }
  out[written] = 0;
  return written;
}
