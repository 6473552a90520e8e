#include "smtp_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

constexpr int kIdleLimitMs = 10000;  // the peer never waits longer than this for anything

int listenOnLoopback(std::uint16_t& port) {
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return -1;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 4) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    ::close(s);
    return -1;
  }
  port = ntohs(a.sin_port);
  return s;
}

bool readable(int s, int timeoutMs) {
  pollfd p{s, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) > 0;
}

void sendAll(int s, const char* bytes, std::size_t length) {
  std::size_t sent = 0;
  while (sent < length) {
    const ssize_t n = ::send(s, bytes + sent, length - sent, MSG_NOSIGNAL);
    if (n <= 0) return;  // the client has gone
    sent += static_cast<std::size_t>(n);
  }
}

}  // namespace

std::uint16_t closedLoopbackPort() {
  std::uint16_t port = 0;
  const int s = listenOnLoopback(port);
  if (s >= 0) ::close(s);
  return port;
}

SmtpPeer::SmtpPeer(std::vector<std::string> replies, int segmentPauseMs)
    : replies_(std::move(replies)), segmentPauseMs_(segmentPauseMs) {
  listener_ = listenOnLoopback(port_);
  thread_ = std::thread(&SmtpPeer::run, this);
}

SmtpPeer::~SmtpPeer() {
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) ::close(listener_);
}

std::vector<std::string> SmtpPeer::received() {
  if (thread_.joinable()) thread_.join();
  std::lock_guard hold(lock_);
  return received_;
}

void SmtpPeer::run() {
  if (listener_ < 0 || !readable(listener_, kIdleLimitMs)) return;
  const int s = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (s < 0) return;
  connected_ = true;
  const int one = 1;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

  // Straight from the script, without copies: a megabyte reply costs no extra memory.
  auto play = [&](const std::string& reply) {
    std::size_t from = 0;
    for (;;) {
      const std::size_t brk = reply.find(kSegmentBreak, from);
      const std::size_t end = brk == std::string::npos ? reply.size() : brk;
      sendAll(s, reply.data() + from, end - from);
      if (brk == std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(segmentPauseMs_));
      from = brk + 1;
    }
  };

  std::size_t next = 0;
  if (next < replies_.size()) play(replies_[next++]);
  std::string pending;
  bool inData = false;
  char buf[65536];
  for (;;) {
    // Split what has come into units: command lines, or the message up to its dot line.
    for (;;) {
      const char* end = inData ? "\r\n.\r\n" : "\r\n";
      std::size_t at = pending.find(end);
      if (inData && pending.rfind(".\r\n", 0) == 0) at = 0, end = ".\r\n";  // empty message
      if (at == std::string::npos) break;
      const std::string unit = pending.substr(0, at + std::char_traits<char>::length(end));
      pending.erase(0, unit.size());
      {
        std::lock_guard hold(lock_);
        received_.push_back(unit);
      }
      inData = false;
      if (next < replies_.size()) {
        const std::string& reply = replies_[next++];
        inData = reply.rfind("354", 0) == 0;
        play(reply);
      }
    }
    if (!readable(s, kIdleLimitMs)) break;
    const ssize_t n = ::recv(s, buf, sizeof buf, 0);
    if (n <= 0) break;
    bytesIn_ += static_cast<std::size_t>(n);
    pending.append(buf, static_cast<std::size_t>(n));
  }
  if (!pending.empty()) {
    std::lock_guard hold(lock_);
    received_.push_back(pending);
  }
  ::close(s);
}
