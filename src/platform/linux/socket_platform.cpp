// BSD sockets. Resolution failures keep the h_errno numbers that gethostbyname would give.
#include "platform/socket_platform.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

namespace platform {

namespace {

thread_local int lastError = 0;

int fd(SocketHandle s) { return static_cast<int>(s); }

int fromAddrInfoError(int e) {
  switch (e) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
      return HOST_NOT_FOUND;
    case EAI_AGAIN:
      return TRY_AGAIN;
    case EAI_SYSTEM:
      return errno;
    default:
      return NO_RECOVERY;
  }
}

// poll, restarted after a signal with the time that is left.
int pollFor(int s, short events, int timeoutMs, short& revents) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    pollfd p{s, events, 0};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const int r = ::poll(&p, 1, left < 0 ? 0 : static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) lastError = errno;
    revents = p.revents;
    return r;
  }
}

}  // namespace

bool resolveIpv4(const char* name, std::uint32_t& address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int r = ::getaddrinfo(name ? name : "", nullptr, &hints, &list);
  if (r != 0 || !list) {
    lastError = r != 0 ? fromAddrInfoError(r) : HOST_NOT_FOUND;
    return false;
  }
  sockaddr_in a{};
  std::memcpy(&a, list->ai_addr, sizeof a);
  address = a.sin_addr.s_addr;
  ::freeaddrinfo(list);
  return true;
}

SocketHandle openTcpSocket() {
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (s < 0) {
    lastError = errno;
    return kNoSocket;
  }
  return s;
}

SocketHandle openUdpSocket() {
  const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (s < 0) {
    lastError = errno;
    return kNoSocket;
  }
  return s;
}

bool connectIpv4(SocketHandle s, std::uint32_t address, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = address;
  a.sin_port = htons(port);
  int r;
  do r = ::connect(fd(s), reinterpret_cast<const sockaddr*>(&a), sizeof a);
  while (r < 0 && errno == EINTR);
  if (r < 0) lastError = errno;
  return r == 0;
}

bool setSocketNonBlocking(SocketHandle s, bool on) {
  const int flags = ::fcntl(fd(s), F_GETFL);
  if (flags < 0 || ::fcntl(fd(s), F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) < 0) {
    lastError = errno;
    return false;
  }
  return true;
}

SocketWait waitSocketWritable(SocketHandle s, int timeoutMs) {
  short ev = 0;
  if (pollFor(fd(s), POLLOUT, timeoutMs, ev) <= 0) return SocketWait::Timeout;
  if (ev & (POLLERR | POLLNVAL)) return SocketWait::Error;
  if (ev & POLLOUT) return SocketWait::Ready;
  return SocketWait::Error;  // hung up, nothing can be written
}

SocketWait waitSocketReadable(SocketHandle s, int timeoutMs) {
  short ev = 0;
  if (pollFor(fd(s), POLLIN, timeoutMs, ev) <= 0) return SocketWait::Timeout;
  if (ev & POLLIN) return SocketWait::Ready;
  if (ev & (POLLERR | POLLNVAL)) return SocketWait::Error;
  return SocketWait::Ready;  // hung up: the receive answers 0
}

long sendSocket(SocketHandle s, const char* data, std::size_t length) {
  if (length > INT_MAX) length = INT_MAX;
  ssize_t r;
  // MSG_NOSIGNAL: a peer that has gone away must not end the process with SIGPIPE.
  do r = ::send(fd(s), data, length, MSG_NOSIGNAL);
  while (r < 0 && errno == EINTR);
  if (r >= 0) return static_cast<long>(r);
  lastError = errno;
  return errno == EAGAIN || errno == EWOULDBLOCK ? kSocketWouldBlock : -1;
}

long receiveSocket(SocketHandle s, char* buffer, std::size_t capacity) {
  if (capacity > INT_MAX) capacity = INT_MAX;
  ssize_t r;
  do r = ::recv(fd(s), buffer, capacity, 0);
  while (r < 0 && errno == EINTR);
  if (r >= 0) return static_cast<long>(r);
  lastError = errno;
  return errno == EAGAIN || errno == EWOULDBLOCK ? kSocketWouldBlock : -1;
}

void closeSocket(SocketHandle s) {
  if (s != kNoSocket) ::close(fd(s));
}

int socketLastError() { return lastError; }

}  // namespace platform
