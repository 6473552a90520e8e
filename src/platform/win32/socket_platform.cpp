// Winsock. The socket layer is started by startSockets (WSAStartup 2.2) before any call here.
#include "platform/socket_platform.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>
#include <cstring>

namespace platform {

namespace {

SOCKET sock(SocketHandle s) { return static_cast<SOCKET>(s); }

timeval interval(int timeoutMs) {
  if (timeoutMs < 0) timeoutMs = 0;
  timeval t;
  t.tv_sec = timeoutMs / 1000;
  t.tv_usec = (timeoutMs % 1000) * 1000;
  return t;
}

// One socket's wait; failures show in the exception set (a connect that was refused).
SocketWait waitSocket(SocketHandle s, int timeoutMs, bool forWrite) {
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(sock(s), &ready);
  FD_SET(sock(s), &failed);
  timeval t = interval(timeoutMs);
  const int n =
      forWrite ? select(0, nullptr, &ready, &failed, &t) : select(0, &ready, nullptr, &failed, &t);
  if (n <= 0) return SocketWait::Timeout;
  return FD_ISSET(sock(s), &ready) ? SocketWait::Ready : SocketWait::Error;
}

int clampLength(std::size_t length) {
  return length > INT_MAX ? INT_MAX : static_cast<int>(length);
}

long transferResult(int n) {
  if (n != SOCKET_ERROR) return n;
  return WSAGetLastError() == WSAEWOULDBLOCK ? kSocketWouldBlock : -1;
}

}  // namespace

bool resolveIpv4(const char* name, std::uint32_t& address) {
  const hostent* h = gethostbyname(name ? name : "");
  if (!h || h->h_addrtype != AF_INET || h->h_length != 4 || !h->h_addr_list[0]) return false;
  std::memcpy(&address, h->h_addr_list[0], 4);
  return true;
}

SocketHandle openTcpSocket() {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  return s == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(s);
}

SocketHandle openUdpSocket() {
  const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  return s == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(s);
}

bool connectIpv4(SocketHandle s, std::uint32_t address, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = address;
  a.sin_port = htons(port);
  return connect(sock(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

bool setSocketNonBlocking(SocketHandle s, bool on) {
  u_long mode = on ? 1 : 0;
  return ioctlsocket(sock(s), FIONBIO, &mode) == 0;
}

SocketWait waitSocketWritable(SocketHandle s, int timeoutMs) {
  return waitSocket(s, timeoutMs, true);
}

SocketWait waitSocketReadable(SocketHandle s, int timeoutMs) {
  return waitSocket(s, timeoutMs, false);
}

long sendSocket(SocketHandle s, const char* data, std::size_t length) {
  return transferResult(send(sock(s), data, clampLength(length), 0));
}

long receiveSocket(SocketHandle s, char* buffer, std::size_t capacity) {
  return transferResult(recv(sock(s), buffer, clampLength(capacity), 0));
}

void closeSocket(SocketHandle s) {
  if (s != kNoSocket) closesocket(sock(s));
}

int socketLastError() { return WSAGetLastError(); }

}  // namespace platform
