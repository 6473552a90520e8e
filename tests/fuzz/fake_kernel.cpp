#include "fake_kernel.h"

#include <libmnl/libmnl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

struct mnl_socket {
  int fd;
};

namespace {
const std::uint8_t* next = nullptr;
const std::uint8_t* end = nullptr;
}  // namespace

void fake_kernel::load(const std::uint8_t* data, std::size_t size) {
  next = data;
  end = data + size;
}

extern "C" {

mnl_socket* mnl_socket_open(int) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) < 0) return nullptr;
  while (next && end - next >= 2) {
    const std::size_t length = std::min<std::size_t>(next[0] | next[1] << 8, end - next - 2);
    next += 2;
    if (length == 0) break;
    send(pair[1], next, length, MSG_DONTWAIT);
    next += length;
  }
  close(pair[1]);
  return new mnl_socket{pair[0]};
}

int mnl_socket_close(mnl_socket* s) {
  close(s->fd);
  delete s;
  return 0;
}

int mnl_socket_get_fd(const mnl_socket* s) { return s->fd; }
unsigned int mnl_socket_get_portid(const mnl_socket*) { return 0; }
int mnl_socket_bind(mnl_socket*, unsigned int, pid_t) { return 0; }
int mnl_socket_setsockopt(const mnl_socket*, int, void*, socklen_t) { return 0; }
ssize_t mnl_socket_sendto(const mnl_socket*, const void*, size_t length) {
  return static_cast<ssize_t>(length);
}
ssize_t mnl_socket_recvfrom(const mnl_socket* s, void* buffer, size_t length) {
  return recv(s->fd, buffer, length, 0);
}

}  // extern "C"
