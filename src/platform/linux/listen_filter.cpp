#include "platform/linux/listen_filter.h"

#include <linux/if_ether.h>

#include <cstddef>
#include <cstdint>

namespace {

// Where the branches of the IPv6 program start; jumps are made from these.
enum At : int {
  kUntagged6 = 9,
  kNextHeader = 10,
  kExtension = 15,
  kIcmp = 26,
  kUdp = 29,
  kPass6 = 33,
  kPassArp = 34,
  kDrop = 35,
};
constexpr int kNext = -1;  // fall through to the next instruction

void step(std::vector<sock_filter>& p, std::uint16_t code, std::uint32_t k) {
  p.push_back(BPF_STMT(code, k));
}

// A conditional jump to absolute places: the offsets count from the next instruction.
void jump(std::vector<sock_filter>& p, std::uint16_t test, std::uint32_t k, int onTrue,
          int onFalse) {
  const int from = static_cast<int>(p.size()) + 1;
  const auto offset = [from](int to) {
    return static_cast<std::uint8_t>(to == kNext ? 0 : to - from);
  };
  p.push_back(BPF_JUMP(BPF_JMP | test | BPF_K, k, offset(onTrue), offset(onFalse)));
}

}  // namespace

std::vector<sock_filter> listenFilter(bool ipv6) {
  if (!ipv6)
    return {
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 12),                  // the EtherType
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ETH_P_ARP, 3, 0),    // ARP?
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ETH_P_8021Q, 0, 3),  // a tag?
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 16),                  // the tagged EtherType
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ETH_P_ARP, 0, 1),    // ARP?
        BPF_STMT(BPF_RET | BPF_K, kArpSnapBytes),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
  std::vector<sock_filter> p;
  // X holds how far the IPv6 header lies behind the untagged place: 4 per tag in the frame,
  // later plus the extension header's length.
  step(p, BPF_LD | BPF_H | BPF_ABS, 12);
  jump(p, BPF_JEQ, ETH_P_ARP, kPassArp, kNext);
  jump(p, BPF_JEQ, ETH_P_IPV6, kUntagged6, kNext);
  jump(p, BPF_JEQ, ETH_P_8021Q, kNext, kDrop);
  step(p, BPF_LD | BPF_H | BPF_ABS, 16);
  jump(p, BPF_JEQ, ETH_P_ARP, kPassArp, kNext);
  jump(p, BPF_JEQ, ETH_P_IPV6, kNext, kDrop);
  step(p, BPF_LDX | BPF_W | BPF_IMM, 4);
  step(p, BPF_JMP | BPF_JA, kNextHeader - kUntagged6);
  step(p, BPF_LDX | BPF_W | BPF_IMM, 0);      // kUntagged6
  step(p, BPF_LD | BPF_B | BPF_IND, 14 + 6);  // kNextHeader
  jump(p, BPF_JEQ, 58, kIcmp, kNext);
  jump(p, BPF_JEQ, 17, kUdp, kNext);
  jump(p, BPF_JEQ, 0, kExtension, kNext);
  jump(p, BPF_JEQ, 60, kExtension, kDrop);
  step(p, BPF_LD | BPF_B | BPF_IND, 14 + 40);  // kExtension: what it is followed by
  step(p, BPF_ST, 0);
  step(p, BPF_LD | BPF_B | BPF_IND, 14 + 41);  // its length, in 8 bytes beyond the first 8
  step(p, BPF_ALU | BPF_ADD | BPF_K, 1);
  step(p, BPF_ALU | BPF_LSH | BPF_K, 3);
  step(p, BPF_ALU | BPF_ADD | BPF_X, 0);
  step(p, BPF_MISC | BPF_TAX, 0);
  step(p, BPF_LD | BPF_MEM, 0);
  jump(p, BPF_JEQ, 58, kIcmp, kNext);
  jump(p, BPF_JEQ, 17, kUdp, kNext);
  jump(p, BPF_JEQ, 60, kPass6, kDrop);
  step(p, BPF_LD | BPF_B | BPF_IND, 14 + 40);  // kIcmp: the ICMPv6 type
  jump(p, BPF_JGE, 134, kNext, kDrop);
  jump(p, BPF_JGT, 136, kDrop, kPass6);
  step(p, BPF_LD | BPF_H | BPF_IND, 14 + 40);  // kUdp: the ports
  jump(p, BPF_JEQ, 547, kNext, kDrop);
  step(p, BPF_LD | BPF_H | BPF_IND, 14 + 42);
  jump(p, BPF_JEQ, 546, kPass6, kDrop);
  step(p, BPF_RET | BPF_K, kIpv6SnapBytes);  // kPass6
  step(p, BPF_RET | BPF_K, kArpSnapBytes);   // kPassArp
  step(p, BPF_RET | BPF_K, 0);               // kDrop
  // A miscounted place above would jump astray: refuse the program rather.
  if (p.size() != std::size_t{kDrop} + 1) p.clear();
  return p;
}
