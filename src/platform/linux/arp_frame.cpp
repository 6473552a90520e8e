#include "platform/linux/arp_frame.h"

#include <arpa/inet.h>

#include <cstring>

#include "platform/linux/frame_reader.h"

namespace {

constexpr std::uint16_t kEtherTypeArp = 0x0806;
constexpr std::uint16_t kHardwareEthernet = 1;
constexpr std::uint16_t kProtocolIpv4 = 0x0800;
constexpr std::uint16_t kOpRequest = 1;
constexpr std::uint16_t kOpReply = 2;

struct Writer {
  std::uint8_t* out;
  std::size_t capacity;
  std::size_t at = 0;
  bool ok = true;
  void bytes(const void* p, std::size_t n) {
    if (!ok || n > capacity - at) {
      ok = false;
      return;
    }
    std::memcpy(out + at, p, n);
    at += n;
  }
  void u8(std::uint8_t v) { bytes(&v, 1); }
  void u16(std::uint16_t v) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    bytes(b, 2);
  }
};

}  // namespace

std::size_t buildArpRequest(const std::uint8_t (&senderMac)[6], std::uint32_t senderIp,
                            std::uint32_t targetIp, std::uint8_t* out, std::size_t capacity) {
  const std::uint8_t broadcast[6] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
  const std::uint8_t unknown[6] = {};
  Writer w{out, capacity};
  w.bytes(broadcast, 6);
  w.bytes(senderMac, 6);
  w.u16(kEtherTypeArp);
  w.u16(kHardwareEthernet);
  w.u16(kProtocolIpv4);
  w.u8(6);
  w.u8(4);
  w.u16(kOpRequest);
  w.bytes(senderMac, 6);
  w.bytes(&senderIp, 4);  // already in network order
  w.bytes(unknown, 6);
  w.bytes(&targetIp, 4);
  while (w.ok && w.at < kArpPaddedFrameBytes) w.u8(0);
  return w.ok ? w.at : 0;
}

bool readArpFrame(const std::uint8_t* frame, std::size_t length, platform::HeardArp& heard) {
  FrameReader r{frame, length};
  platform::HeardArp read{};
  std::uint8_t destination[6];
  r.bytes(destination, 6);
  r.bytes(read.etherSource, 6);
  // A second tag is no ARP frame here.
  const std::uint16_t type = etherTypeAfterTags(r, 1, read.tagged, read.vlanId);
  if (type != kEtherTypeArp || r.u16() != kHardwareEthernet || r.u16() != kProtocolIpv4)
    return false;
  if (r.u8() != 6 || r.u8() != 4) return false;
  read.operation = r.u16();
  r.bytes(read.senderMac, 6);
  read.senderIp = r.u32();
  r.bytes(read.targetMac, 6);
  read.targetIp = r.u32();
  if (!r.ok) return false;
  heard = read;
  return true;
}

bool readArpReply(const std::uint8_t* frame, std::size_t length, ArpReply& reply) {
  platform::HeardArp heard;
  if (!readArpFrame(frame, length, heard) || heard.operation != kOpReply ||
      (heard.tagged && heard.vlanId != 0))
    return false;
  std::memcpy(reply.senderMac, heard.senderMac, 6);
  reply.senderIp = htonl(heard.senderIp);
  std::memcpy(reply.targetMac, heard.targetMac, 6);
  reply.targetIp = htonl(heard.targetIp);
  return true;
}

bool answersUs(const ArpReply& reply, const std::uint8_t (&ownMac)[6], std::uint32_t ownIp) {
  if (reply.targetIp != ownIp || std::memcmp(reply.targetMac, ownMac, 6) != 0) return false;
  const std::uint8_t zero[6] = {};
  // The group bit covers broadcast and multicast.
  return (reply.senderMac[0] & 1) == 0 && std::memcmp(reply.senderMac, zero, 6) != 0;
}

bool parseArpReply(const std::uint8_t* frame, std::size_t length, std::uint32_t senderIp,
                   const std::uint8_t (&ownMac)[6], std::uint32_t ownIp, std::uint8_t (&mac)[6]) {
  ArpReply reply;
  if (!readArpReply(frame, length, reply) || reply.senderIp != senderIp ||
      !answersUs(reply, ownMac, ownIp))
    return false;
  std::memcpy(mac, reply.senderMac, 6);
  return true;
}
