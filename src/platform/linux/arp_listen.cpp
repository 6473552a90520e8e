// ARP frames off the wire: one packet socket per interface, a classic BPF filter that lets
// only ARP through (cut to the bytes the ARP body needs; with listenIpv6, the IPv6 discovery
// and DHCPv6 frames as well), and a TPACKET_V3 ring, so that a burst costs no system call per
// frame. One reading thread serves every interface.
#include <arpa/inet.h>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/linux/arp_frame.h"
#include "platform/linux/ipv6_frame.h"
#include "platform/linux/listen_filter.h"
#include "platform/listen_platform.h"

namespace {

// A block is handed over when full or kBlockTimeoutMs after its first frame, so a lone frame
// is not held back; the 32 blocks (2 MiB) then hold at least 128 ms of any flood, and up to
// some 14,000 frames, before the kernel drops any.
constexpr unsigned kBlockBytes = 64 * 1024;
constexpr unsigned kBlocks = 32;
constexpr unsigned kFrameBytes = 2048;
constexpr unsigned kBlockTimeoutMs = 4;

struct Listener {
  int fd = -1;  // -1 while the interface is gone
  std::uint8_t* ring = nullptr;
  unsigned next = 0;  // the block to read next
  std::uint32_t ifIndex = 0;
  std::string name;
  std::uint32_t lastError = 0;  // of the last try to listen again: told once
};

std::vector<Listener> listeners;
platform::Ipv6FrameSink ipv6Sink = nullptr;

void closeListener(Listener& l) {
  if (l.ring) munmap(l.ring, std::size_t{kBlockBytes} * kBlocks);
  if (l.fd >= 0) close(l.fd);
  l = Listener{-1, nullptr, 0, 0, l.name, l.lastError};
}

std::uint32_t errnoOr(std::uint32_t fallback) { return errno > 0 ? errno : fallback; }

std::uint32_t openListener(const std::string& name, Listener& l) {
  if (name.empty() || name.size() >= IFNAMSIZ) return ENODEV;
  l.ifIndex = if_nametoindex(name.c_str());
  if (l.ifIndex == 0) return ENODEV;
  // Protocol 0 receives nothing until the bind below, by when the filter and ring are set.
  l.fd = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
  if (l.fd < 0) return errnoOr(EIO);
  // The kernel takes a VLAN tag out of the frame before the filter sees it; a tag left in it
  // (the inner one of two) passes too, so that the reader can tell it is not ours.
  std::vector<sock_filter> code = listenFilter(ipv6Sink != nullptr);
  sock_fprog program{static_cast<unsigned short>(code.size()), code.data()};
  if (setsockopt(l.fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) < 0)
    return errnoOr(EIO);
  int version = TPACKET_V3;
  if (setsockopt(l.fd, SOL_PACKET, PACKET_VERSION, &version, sizeof version) < 0)
    return errnoOr(EIO);
  tpacket_req3 req{};
  req.tp_block_size = kBlockBytes;
  req.tp_block_nr = kBlocks;
  req.tp_frame_size = kFrameBytes;
  req.tp_frame_nr = kBlockBytes / kFrameBytes * kBlocks;
  req.tp_retire_blk_tov = kBlockTimeoutMs;
  if (setsockopt(l.fd, SOL_PACKET, PACKET_RX_RING, &req, sizeof req) < 0) return errnoOr(EIO);
  void* ring = mmap(nullptr, std::size_t{kBlockBytes} * kBlocks, PROT_READ | PROT_WRITE, MAP_SHARED,
                    l.fd, 0);
  if (ring == MAP_FAILED) return errnoOr(EIO);
  l.ring = static_cast<std::uint8_t*>(ring);
  sockaddr_ll address{};
  address.sll_family = AF_PACKET;
  // Every protocol, so that the socket sees frames before the kernel's VLAN handling, which
  // hands an ARP frame of another VLAN on with its tag dropped.
  address.sll_protocol = htons(ETH_P_ALL);
  address.sll_ifindex = static_cast<int>(l.ifIndex);
  if (bind(l.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0) return errnoOr(EIO);
  return 0;
}

tpacket_block_desc* block(const Listener& l, unsigned i) {
  return reinterpret_cast<tpacket_block_desc*>(l.ring + std::size_t{i} * kBlockBytes);
}

bool blockReady(const Listener& l) {
  if (!l.ring) return false;
  const auto* b = block(l, l.next);
  return __atomic_load_n(&b->hdr.bh1.block_status, __ATOMIC_ACQUIRE) & TP_STATUS_USER;
}

// The outer tag, taken out of the frame by the kernel; one still in the frame behind it makes
// two, of no VLAN of ours. False then.
template <typename Heard>
bool addKernelTag(const tpacket3_hdr& p, Heard& heard) {
  const bool kernelTag = p.tp_status & TP_STATUS_VLAN_VALID;
  if (kernelTag && heard.tagged) return false;
  if (kernelTag) {
    heard.tagged = true;
    heard.vlanId = p.hv1.tp_vlan_tci & 0x0fff;
  }
  return true;
}

void handFrame(const Listener& l, const tpacket3_hdr& p, const std::uint8_t* frame,
               platform::ArpFrameSink sink, void* context) {
  platform::HeardArp heard;
  if (readArpFrame(frame, p.tp_snaplen, heard)) {
    heard.ifIndex = l.ifIndex;
    if (addKernelTag(p, heard)) sink(context, heard);
    return;
  }
  // Read only when asked for: without the sink the filter lets none through anyway.
  platform::HeardIpv6 heard6;
  if (ipv6Sink && readIpv6Frame(frame, p.tp_snaplen, heard6) && addKernelTag(p, heard6)) {
    heard6.ifIndex = l.ifIndex;
    ipv6Sink(context, heard6);
  }
}

// Hands over the frames of one block and gives the block back to the kernel.
void drainBlock(Listener& l, platform::ArpFrameSink sink, void* context) {
  tpacket_block_desc* b = block(l, l.next);
  const tpacket_hdr_v1& h = b->hdr.bh1;
  std::size_t offset = h.offset_to_first_pkt;
  const std::uint8_t* bytes = reinterpret_cast<const std::uint8_t*>(b);
  for (std::uint32_t k = 0; k < h.num_pkts; ++k) {
    if (offset + sizeof(tpacket3_hdr) > kBlockBytes) break;
    // Copied out: the kernel aligns the headers, but the offsets are only numbers in the ring.
    tpacket3_hdr p;
    std::memcpy(&p, bytes + offset, sizeof p);
    const std::size_t frameAt = offset + p.tp_mac;
    const std::size_t llAt = offset + TPACKET_ALIGN(sizeof(tpacket3_hdr));
    if (llAt + sizeof(sockaddr_ll) <= kBlockBytes && frameAt + p.tp_snaplen <= kBlockBytes) {
      sockaddr_ll ll;
      std::memcpy(&ll, bytes + llAt, sizeof ll);
      // Our own requests and replies go out through the same socket's view.
      if (ll.sll_pkttype != PACKET_OUTGOING) handFrame(l, p, bytes + frameAt, sink, context);
    }
    if (p.tp_next_offset == 0) break;
    offset += p.tp_next_offset;
  }
  __atomic_store_n(&b->hdr.bh1.block_status, TP_STATUS_KERNEL, __ATOMIC_RELEASE);
  l.next = (l.next + 1) % kBlocks;
}

}  // namespace

namespace platform {

std::uint32_t openArpListeners(const std::vector<std::string>& names, std::string& failedName) {
  for (Listener& l : listeners) closeListener(l);
  listeners.clear();
  for (const std::string& name : names) {
    Listener l;
    l.name = name;
    if (std::uint32_t error = openListener(name, l)) {
      closeListener(l);
      for (Listener& open : listeners) closeListener(open);
      listeners.clear();
      failedName = name;
      return error;
    }
    listeners.push_back(l);
  }
  return 0;
}

void listenIpv6(Ipv6FrameSink sink) { ipv6Sink = sink; }

std::uint32_t readArpFrames(int timeoutMs, ArpFrameSink sink, void* context) {
  if (listeners.empty()) return ENODEV;
  bool any = false;
  for (Listener& l : listeners)
    for (unsigned n = 0; n < kBlocks && blockReady(l); ++n) {
      drainBlock(l, sink, context);
      any = true;
    }
  if (any) return 0;
  std::vector<pollfd> fds;
  for (const Listener& l : listeners) fds.push_back({l.fd, POLLIN | POLLERR, 0});
  if (poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR) return errnoOr(EIO);
  bool failing = false;
  for (const pollfd& p : fds) {
    if (!(p.revents & (POLLERR | POLLHUP | POLLNVAL))) continue;
    // An interface gone down leaves an error that poll reports until it is read.
    int error = 0;
    socklen_t length = sizeof error;
    getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &length);
    failing = true;
  }
  for (Listener& l : listeners)
    for (unsigned n = 0; n < kBlocks && blockReady(l); ++n) {
      drainBlock(l, sink, context);
      failing = false;
    }
  // Never a busy loop on an error that comes back at once: wait out the time-out.
  if (failing) poll(nullptr, 0, timeoutMs);
  return 0;
}

std::vector<ArpListenerChange> recheckArpListeners() {
  std::vector<ArpListenerChange> changes;
  for (Listener& l : listeners) {
    const std::uint32_t now = if_nametoindex(l.name.c_str());
    if (l.fd >= 0 && now == l.ifIndex) continue;
    if (l.fd >= 0) {
      // Deleted, or deleted and made again: a socket bound to the old index hears nothing.
      closeListener(l);
      changes.push_back({l.name, false, 0});
    }
    if (now == 0) continue;
    const std::uint32_t error = openListener(l.name, l);
    if (error) closeListener(l);  // tried again on the next call
    if (error == 0 || error != l.lastError) changes.push_back({l.name, error == 0, error});
    l.lastError = error;
  }
  return changes;
}

std::uint64_t takeArpFrameDrops() {
  std::uint64_t drops = 0;
  for (const Listener& l : listeners) {
    if (l.fd < 0) continue;
    tpacket_stats_v3 stats{};
    socklen_t length = sizeof stats;
    // Reading the counters resets them.
    if (getsockopt(l.fd, SOL_PACKET, PACKET_STATISTICS, &stats, &length) == 0)
      drops += stats.tp_drops;
  }
  return drops;
}

}  // namespace platform
