#include "platform/linux/netlink.h"

#include <libmnl/libmnl.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

namespace netlink {
namespace {

struct SocketCloser {
  void operator()(mnl_socket* s) const { mnl_socket_close(s); }
};
using Socket = std::unique_ptr<mnl_socket, SocketCloser>;

// 32 KiB is what the kernel fills per read at most; a smaller buffer would truncate.
constexpr std::size_t kReceiveBytes = 64 * 1024;

std::uint32_t errnoOr(std::uint32_t fallback) { return errno > 0 ? errno : fallback; }

Socket openSocket(std::uint32_t& error) {
  Socket s(mnl_socket_open(NETLINK_ROUTE));
  if (!s) {
    error = errnoOr(EIO);
    return s;
  }
  // A large neighbour table answers with megabytes; give the dump room before ENOBUFS.
  int bytes = 4 * 1024 * 1024;
  setsockopt(mnl_socket_get_fd(s.get()), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
  // Replies never block forever: a kernel that stops answering gives a clean failure.
  timeval limit{5, 0};
  setsockopt(mnl_socket_get_fd(s.get()), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  if (mnl_socket_bind(s.get(), 0, MNL_SOCKET_AUTOPID) < 0) {
    error = errnoOr(EIO);
    s.reset();
  }
  return s;
}

struct DumpState {
  const MessageHandler* onMessage;
  bool interrupted = false;
};

int dumpCallback(const nlmsghdr* nlh, void* data) {
  auto* state = static_cast<DumpState*>(data);
  if (nlh->nlmsg_flags & NLM_F_DUMP_INTR) {
    state->interrupted = true;
    return MNL_CB_STOP;
  }
  (*state->onMessage)(nlh);
  return MNL_CB_OK;
}

// A socket that hears the table's change events while a dump runs.
Socket openWatch(unsigned group) {
  std::uint32_t error = 0;
  Socket s = openSocket(error);
  if (s && mnl_socket_setsockopt(s.get(), NETLINK_ADD_MEMBERSHIP, &group, sizeof group) < 0)
    s.reset();
  return s;
}

// The bytes of buffer[0, n) that hold whole messages, each length checked against the bytes
// read as the kernel's NLMSG_OK does. libmnl's own walk takes a length of 2 GiB or more for
// a fitting one and jumps past the read.
std::size_t wholeMessages(const char* buffer, std::size_t n) {
  std::size_t at = 0;
  while (n - at >= sizeof(nlmsghdr)) {
    nlmsghdr h;
    std::memcpy(&h, buffer + at, sizeof h);
    if (h.nlmsg_len < sizeof h || h.nlmsg_len > n - at) break;
    at += std::min<std::size_t>(NLMSG_ALIGN(h.nlmsg_len), n - at);
  }
  return at;
}

// Every read goes through here, so libmnl only ever walks whole messages. Bytes read, or -1
// with errno set: EBADMSG for a datagram larger than the buffer or one with a message that
// does not fit, EIO for an empty one (the kernel sends none; taking it for a reply would
// wait for ever).
long receiveMessages(int fd, std::vector<char>& buffer, int flags) {
  // MSG_TRUNC: the datagram's whole length, even when the buffer took only its start.
  const ssize_t n = recv(fd, buffer.data(), buffer.size(), flags | MSG_TRUNC);
  if (n < 0) return -1;
  const auto length = static_cast<std::size_t>(n);
  if (n == 0 || length > buffer.size() || wholeMessages(buffer.data(), length) != length) {
    errno = n == 0 ? EIO : EBADMSG;
    return -1;
  }
  return n;
}

// Whether the watch heard a change of the dumped family since it was opened.
bool changedMeanwhile(mnl_socket* watch, unsigned char family, const EventCheck& agrees) {
  std::vector<char> buffer(kReceiveBytes);
  for (;;) {
    const long n = receiveMessages(mnl_socket_get_fd(watch), buffer, MSG_DONTWAIT);
    if (n < 0) return errno == ENOBUFS || errno == EBADMSG;  // events lost: assume the worst
    int left = static_cast<int>(n);
    for (auto* m = reinterpret_cast<const nlmsghdr*>(buffer.data()); mnl_nlmsg_ok(m, left);
         m = mnl_nlmsg_next(m, &left)) {
      if (m->nlmsg_len <= NLMSG_HDRLEN) continue;
      const auto eventFamily = *static_cast<const unsigned char*>(mnl_nlmsg_get_payload(m));
      if ((family == AF_UNSPEC || eventFamily == family) && !(agrees && agrees(m))) return true;
    }
  }
}

// 0 done, EINTR/ENOBUFS/EAGAIN try again, anything else fails.
std::uint32_t dumpOnce(std::uint16_t type, const void* familyHeader, std::size_t headerLength,
                       unsigned group, const MessageHandler& onMessage, const EventCheck& agrees) {
  std::uint32_t error = 0;
  // Opened before the dump starts, so that no change during it goes unheard.
  Socket watch = group ? openWatch(group) : Socket();
  if (group && !watch) return errnoOr(EIO);
  Socket s = openSocket(error);
  if (!s) return error;
  char request[kRequestBytes];
  nlmsghdr* nlh = mnl_nlmsg_put_header(request);
  nlh->nlmsg_type = type;
  nlh->nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  const std::uint32_t seq = static_cast<std::uint32_t>(time(nullptr));
  nlh->nlmsg_seq = seq;
  void* extra = mnl_nlmsg_put_extra_header(nlh, headerLength);
  std::memcpy(extra, familyHeader, headerLength);
  if (mnl_socket_sendto(s.get(), nlh, nlh->nlmsg_len) < 0) return errnoOr(EIO);
  const unsigned portid = mnl_socket_get_portid(s.get());
  std::vector<char> buffer(kReceiveBytes);
  DumpState state{&onMessage};
  for (;;) {
    const long n = receiveMessages(mnl_socket_get_fd(s.get()), buffer, 0);
    if (n < 0) return errnoOr(EIO);  // ENOBUFS among them: the caller dumps again
    int r =
        mnl_cb_run(buffer.data(), static_cast<std::size_t>(n), seq, portid, dumpCallback, &state);
    if (state.interrupted) return EINTR;
    if (r == MNL_CB_STOP) break;
    if (r < 0) return errnoOr(EIO);
  }
  const auto family = *static_cast<const unsigned char*>(familyHeader);
  return watch && changedMeanwhile(watch.get(), family, agrees) ? EAGAIN : 0;
}

}  // namespace

std::uint32_t dump(std::uint16_t type, const void* familyHeader, std::size_t headerLength,
                   unsigned changeGroup, const MessageHandler& onMessage,
                   const std::function<void()>& restart, const EventCheck& agrees) {
  std::uint32_t error = EINTR;
  for (int attempt = 0; attempt < kDumpAttempts; ++attempt) {
    restart();
    error = dumpOnce(type, familyHeader, headerLength, changeGroup, onMessage, agrees);
    if (error != EINTR && error != ENOBUFS && error != EAGAIN) break;
  }
  if (error != 0) restart();  // never hand out a partial table
  return error;
}

std::uint32_t listen(unsigned group, const MessageHandler& onMessage,
                     const std::function<void()>& onOverrun) {
  Socket s = openWatch(group);
  if (!s) return errnoOr(EIO);
  const int fd = mnl_socket_get_fd(s.get());
  timeval forever{0, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &forever, sizeof forever);
  std::vector<char> buffer(kReceiveBytes);
  for (;;) {
    const long n = receiveMessages(fd, buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    // A message that does not fit is an event lost like those of a full buffer.
    if (n < 0 && (errno == ENOBUFS || errno == EBADMSG)) {
      onOverrun();
      continue;
    }
    if (n < 0) return errnoOr(EIO);
    int left = static_cast<int>(n);
    for (auto* m = reinterpret_cast<const nlmsghdr*>(buffer.data()); mnl_nlmsg_ok(m, left);
         m = mnl_nlmsg_next(m, &left))
      onMessage(m);
  }
}

std::uint32_t request(nlmsghdr* message, bool* sent) {
  if (sent) *sent = false;
  std::uint32_t error = 0;
  Socket s = openSocket(error);
  if (!s) return error;
  message->nlmsg_flags |= NLM_F_REQUEST | NLM_F_ACK;
  const std::uint32_t seq = static_cast<std::uint32_t>(time(nullptr));
  message->nlmsg_seq = seq;
  if (mnl_socket_sendto(s.get(), message, message->nlmsg_len) < 0) return errnoOr(EIO);
  if (sent) *sent = true;
  std::vector<char> buffer(MNL_SOCKET_BUFFER_SIZE);
  const unsigned portid = mnl_socket_get_portid(s.get());
  for (;;) {
    const long n = receiveMessages(mnl_socket_get_fd(s.get()), buffer, 0);
    if (n < 0) return errnoOr(EIO);
    // The acknowledgement is an error message with code 0; libmnl turns a non-zero code into
    // -1 with errno set.
    int r = mnl_cb_run(buffer.data(), static_cast<std::size_t>(n), seq, portid, nullptr, nullptr);
    if (r < 0) return errnoOr(EIO);
    if (r == MNL_CB_STOP) return 0;
  }
}

}  // namespace netlink
