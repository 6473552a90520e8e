// Probes: an ARP request from the interface whose subnet holds the address, answered on a
// packet socket (CAP_NET_RAW), or the outcome of the running sweep when it covers the
// address; reverse lookups through getnameinfo.
#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/linux/arp_frame.h"
#include "platform/linux/arp_source.h"
#include "platform/linux/arp_sweep.h"
#include "platform/linux/probe_timing.h"
#include "platform/probe_platform.h"

namespace {

// Each thread keeps its packet socket for the interface it last probed from: opening and
// closing one waits for the network stack to quiesce (tens of milliseconds), longer than a
// LAN takes to answer.
struct ProbeSocket {
  int fd = -1;
  std::uint32_t ifIndex = 0;
  ~ProbeSocket() { reset(); }
  void reset() {
    if (fd >= 0) close(fd);
    fd = -1;
    ifIndex = 0;
  }
};
thread_local ProbeSocket probeSocket;

// A socket bound to ifIndex, hearing ARP only; 0 or an errno value.
std::uint32_t bindProbeSocket(std::uint32_t ifIndex) {
  if (probeSocket.fd >= 0 && probeSocket.ifIndex == ifIndex) return 0;
  probeSocket.reset();
  int fd = -1;
  if (std::uint32_t e = openArpSocket(ifIndex, fd)) return e;
  probeSocket.fd = fd;
  probeSocket.ifIndex = ifIndex;
  return 0;
}

// Frames that arrived while no probe was waiting are stale answers.
void drain(int fd) {
  std::uint8_t buffer[1600];
  while (recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
  }
}

std::uint32_t askOnce(int fd, const std::uint8_t* frame, std::size_t frameLength,
                      std::uint32_t dest, const ArpSource& own, int waitMs,
                      std::uint8_t (&mac)[6]) {
  if (send(fd, frame, frameLength, 0) < 0) return errno;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  std::uint8_t buffer[1600];
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return ETIMEDOUT;
    pollfd p{fd, POLLIN, 0};
    int r = poll(&p, 1, static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return errno;
    if (r == 0) return ETIMEDOUT;
    for (;;) {
      ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n < 0) break;
      if (parseArpReply(buffer, static_cast<std::size_t>(n), dest, own.mac, own.address, mac))
        return 0;
    }
  }
}

}  // namespace

namespace platform {

std::uint32_t sendArp(std::uint32_t dest, std::uint8_t (&mac)[8], std::uint32_t& length) {
  std::uint8_t answer[6];
  std::uint32_t result = ETIMEDOUT;
  if (waitForSweep(dest, answer, result)) {
    if (result != 0) return result;
    std::memcpy(mac, answer, 6);
    length = 6;
    return 0;
  }
  ArpSource source;
  if (std::uint32_t e = findArpSource(dest, source)) return e;
  std::uint8_t ownMac[6];
  std::memcpy(ownMac, source.mac, 6);
  if (dest == source.address) {  // our own address answers with our own MAC
    std::memcpy(mac, ownMac, 6);
    length = 6;
    return 0;
  }
  if (std::uint32_t e = bindProbeSocket(source.ifIndex)) return e;
  drain(probeSocket.fd);
  std::uint8_t frame[kArpPaddedFrameBytes];
  const std::size_t frameLength =
      buildArpRequest(ownMac, source.address, dest, frame, sizeof frame);
  if (frameLength == 0) return EINVAL;
  for (int attempt = 0; attempt < kArpTries; ++attempt) {
    result = askOnce(probeSocket.fd, frame, frameLength, dest, source, kArpWaitMs[attempt], answer);
    if (result != ETIMEDOUT) break;
  }
  // A socket error other than silence may mean a vanished interface: start afresh next time.
  if (result != 0 && result != ETIMEDOUT) probeSocket.reset();
  if (result != 0) return result;
  std::memcpy(mac, answer, 6);
  length = 6;
  return 0;
}

bool getHostByAddr(std::uint32_t address, std::string& name) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  char host[NI_MAXHOST];
  if (getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0,
                  NI_NAMEREQD) != 0)
    return false;
  name = host;
  return true;
}

}  // namespace platform
