// One block of the packet ring as the kernel hands it over, through the ring reader itself:
// the input at the block's start, the rest zero. The reader is file-local, so it is built in.
#include "arp/wire_bindings.h"
#include "platform/linux/arp_listen.cpp"

namespace {
void readFrame(void*, const platform::HeardArp& frame) {
  WireBinding binding;
  readArpBinding(frame, binding);
}
void readFrame6(void*, const platform::HeardIpv6&) {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly one block, so that any read past it is caught.
  static std::vector<std::uint8_t> ring(kBlockBytes);
  std::fill(ring.begin(), ring.end(), 0);
  std::memcpy(ring.data(), data, std::min<std::size_t>(size, kBlockBytes));
  platform::listenIpv6(readFrame6);
  Listener l;
  l.ring = ring.data();
  drainBlock(l, readFrame, nullptr);
  return 0;
}
