// A mail exchange with a fuzzed server on loopback. The input is the server's replies,
// separated by NUL bytes: the first comes at once, each next one when a request line arrives;
// after the last the server closes its sending side.
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "report/mail_thread.h"
#include "report/smtp.h"

namespace {
int listener = -1;
std::uint16_t port = 0;

bool setUp() {
  smtpWaitMs = 10;  // a reply left unfinished costs this much, not a minute
  smtpPauseMs = 0;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      listen(listener, 4) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length))
    std::abort();
  port = ntohs(a.sin_port);
  return true;
}

void serve(std::string_view replies) {
  const int fd = accept(listener, nullptr, nullptr);
  if (fd < 0) return;
  bool more = true;
  for (char buffer[4096];;) {
    if (more) {
      const std::string_view reply = replies.substr(0, replies.find('\0'));
      send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
      more = reply.size() < replies.size();
      replies.remove_prefix(more ? reply.size() + 1 : reply.size());
      if (!more) shutdown(fd, SHUT_WR);
    }
    // The next reply waits for a request line; a client gone quiet for 2 s ends the talk.
    for (bool line = false; !line;) {
      pollfd p{fd, POLLIN, 0};
      const long n = poll(&p, 1, 2000) == 1 ? recv(fd, buffer, sizeof buffer, 0) : 0;
      if (n <= 0) return (void)close(fd);
      line = std::string_view(buffer, static_cast<std::size_t>(n)).find('\n') !=
             std::string_view::npos;
    }
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = setUp();
  (void)ready;
  std::thread server(serve, std::string_view(reinterpret_cast<const char*>(data), size));
  MailParameters mail{"127.0.0.1", port, "vetrel@example.org", "admin@example.org", "user", "pw"};
  mailThread("The text of a mail.", mail);
  server.join();
  return 0;
}
