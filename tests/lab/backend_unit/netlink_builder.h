#pragma once
// Builds rtnetlink messages into an aligned buffer, as the kernel would send them.
#include <libmnl/libmnl.h>

#include <cstdint>
#include <cstring>

struct MessageBuffer {
  alignas(8) char bytes[4096] = {};
  nlmsghdr* header(std::uint16_t type) {
    std::memset(bytes, 0, sizeof bytes);
    nlmsghdr* nlh = mnl_nlmsg_put_header(bytes);
    nlh->nlmsg_type = type;
    return nlh;
  }
};

template <typename Family>
Family* familyHeader(nlmsghdr* nlh) {
  return static_cast<Family*>(mnl_nlmsg_put_extra_header(nlh, sizeof(Family)));
}

inline std::uint32_t ip(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  const std::uint8_t bytes[4] = {a, b, c, d};
  std::uint32_t v;
  std::memcpy(&v, bytes, 4);
  return v;  // network order
}
