// The live sources, faked: no neighbour events, and listeners that open unless the name
// starts with "missing" and then hear nothing.
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/listen_platform.h"

namespace platform {

std::uint32_t watchNeighbours(NeighbourSink, void (*)()) { return ENOSYS; }

std::uint32_t openArpListeners(const std::vector<std::string>& names, std::string& failedName) {
  for (const std::string& n : names)
    if (n.rfind("missing", 0) == 0) {
      failedName = n;
      return ENODEV;
    }
  return 0;
}

void listenIpv6(Ipv6FrameSink) {}
void setNeighbour6Sink(Neighbour6Sink) {}

std::uint32_t readArpFrames(int timeoutMs, ArpFrameSink, void*) {
  std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
  return 0;
}

std::vector<ArpListenerChange> recheckArpListeners() { return {}; }

std::uint64_t takeArpFrameDrops() { return 0; }

}  // namespace platform
