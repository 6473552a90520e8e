#pragma once
// Client sockets for the mail notifier (TCP) and the syslog sender (TCP or UDP): IPv4 only.
// Failures answer false, kNoSocket or a negative count; socketLastError() then names the
// cause with the platform's own number (Winsock's WSAGetLastError, Linux errno or h_errno).
#include <cstddef>
#include <cstdint>

namespace platform {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;  // INVALID_SOCKET and -1 alike

// Nothing-ready covers a wait that itself failed: the caller cannot tell the two apart.
enum class SocketWait { Ready, Timeout, Error };

// sendSocket and receiveSocket answer this when a non-blocking socket has nothing to give.
inline constexpr long kSocketWouldBlock = -2;

// The first IPv4 address of name, network byte order; dotted addresses are taken as they are.
bool resolveIpv4(const char* name, std::uint32_t& address);
SocketHandle openTcpSocket();
// A datagram socket; connectIpv4 then fixes its peer and sendSocket sends one datagram a call.
SocketHandle openUdpSocket();
// Blocking connect with the system's own time-out; port in host order.
bool connectIpv4(SocketHandle s, std::uint32_t address, std::uint16_t port);
bool setSocketNonBlocking(SocketHandle s, bool on);
// Error: the socket reports a failure (a read wait still answers Ready while data waits).
SocketWait waitSocketWritable(SocketHandle s, int timeoutMs);
SocketWait waitSocketReadable(SocketHandle s, int timeoutMs);
// Bytes taken (may be fewer than length), kSocketWouldBlock, or -1.
long sendSocket(SocketHandle s, const char* data, std::size_t length);
// Bytes received, 0 when the peer has closed, kSocketWouldBlock, or -1.
long receiveSocket(SocketHandle s, char* buffer, std::size_t capacity);
void closeSocket(SocketHandle s);
// The number of the calling thread's last socket failure.
int socketLastError();

}  // namespace platform
