// Loopback-only TCP and UDP for the mail and syslog tests: a connect anywhere else is refused
// before it leaves.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "fake_sockets.h"
#include "platform/socket_platform.h"

FakeSockets fakeSockets;

void resetFakeSockets() {
  fakeSockets.names = {{"localhost", "127.0.0.1"}};
  fakeSockets.resolveError = 11001;
  fakeSockets.openError = 0;
  fakeSockets.nonBlockingError = 0;
  fakeSockets.opened = 0;
  fakeSockets.closed = 0;
  fakeSockets.nonBlockingOn = 0;
  fakeSockets.nonBlockingOff = 0;
  fakeSockets.connectsRefusedOffLoopback = 0;
}

namespace platform {

namespace {
thread_local int lastError = 0;

SocketWait waitFor(SocketHandle s, short events, int timeoutMs) {
  pollfd p{static_cast<int>(s), events, 0};
  int r;
  do r = ::poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
  while (r < 0 && errno == EINTR);
  if (r <= 0) return SocketWait::Timeout;
  if ((events & POLLIN) && (p.revents & (POLLIN | POLLHUP))) return SocketWait::Ready;
  if (p.revents & (POLLERR | POLLNVAL | POLLHUP)) return SocketWait::Error;
  return SocketWait::Ready;
}
}  // namespace

bool resolveIpv4(const char* name, std::uint32_t& address) {
  std::string text = name ? name : "";
  auto it = fakeSockets.names.find(text);
  if (it != fakeSockets.names.end()) text = it->second;
  in_addr a{};
  if (::inet_pton(AF_INET, text.c_str(), &a) != 1) {
    lastError = fakeSockets.resolveError;
    return false;
  }
  address = a.s_addr;
  return true;
}

namespace {
SocketHandle openSocket(int type, int protocol) {
  if (fakeSockets.openError) {
    lastError = fakeSockets.openError;
    return kNoSocket;
  }
  const int s = ::socket(AF_INET, type | SOCK_CLOEXEC, protocol);
  if (s < 0) {
    lastError = errno;
    return kNoSocket;
  }
  ++fakeSockets.opened;
  return s;
}
}  // namespace

SocketHandle openTcpSocket() { return openSocket(SOCK_STREAM, IPPROTO_TCP); }
SocketHandle openUdpSocket() { return openSocket(SOCK_DGRAM, IPPROTO_UDP); }

bool connectIpv4(SocketHandle s, std::uint32_t address, std::uint16_t port) {
  if ((ntohl(address) >> 24) != 127) {
    ++fakeSockets.connectsRefusedOffLoopback;
    lastError = ENETUNREACH;
    return false;
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = address;
  a.sin_port = htons(port);
  if (::connect(static_cast<int>(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
    lastError = errno;
    return false;
  }
  return true;
}

bool setSocketNonBlocking(SocketHandle s, bool on) {
  if (on && fakeSockets.nonBlockingError) {
    lastError = fakeSockets.nonBlockingError;
    return false;
  }
  ++(on ? fakeSockets.nonBlockingOn : fakeSockets.nonBlockingOff);
  const int flags = ::fcntl(static_cast<int>(s), F_GETFL);
  return ::fcntl(static_cast<int>(s), F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) == 0;
}

SocketWait waitSocketWritable(SocketHandle s, int timeoutMs) {
  return waitFor(s, POLLOUT, timeoutMs);
}
SocketWait waitSocketReadable(SocketHandle s, int timeoutMs) {
  return waitFor(s, POLLIN, timeoutMs);
}

long sendSocket(SocketHandle s, const char* data, std::size_t length) {
  const ssize_t r = ::send(static_cast<int>(s), data, length, MSG_NOSIGNAL);
  if (r >= 0) return static_cast<long>(r);
  lastError = errno;
  return errno == EAGAIN || errno == EWOULDBLOCK ? kSocketWouldBlock : -1;
}

long receiveSocket(SocketHandle s, char* buffer, std::size_t capacity) {
  const ssize_t r = ::recv(static_cast<int>(s), buffer, capacity, 0);
  if (r >= 0) return static_cast<long>(r);
  lastError = errno;
  return errno == EAGAIN || errno == EWOULDBLOCK ? kSocketWouldBlock : -1;
}

void closeSocket(SocketHandle s) {
  if (s == kNoSocket) return;
  ++fakeSockets.closed;
  ::close(static_cast<int>(s));
}

int socketLastError() { return lastError; }

}  // namespace platform
