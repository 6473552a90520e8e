// The syslog sender on loopback: the full queue's note once the collector is back, the pauses
// between tries. The mask, UDP, a lost link, a stalled collector and a bad setting are proven
// against a real rsyslogd in the lab.
#include "report/syslog_sender.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "fake/fake_platform.h"
#include "fake/fake_sockets.h"
#include "fake/ui_recorder.h"
#include "report/journal.h"
#include "settings/settings.h"

namespace {

using namespace std::chrono_literals;

// A listening loopback socket on the port, or on a free one when it is 0.
int listening(std::uint16_t& port) {
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  const int one = 1;
  ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(s);
    return -1;
  }
  socklen_t n = sizeof a;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  port = ntohs(a.sin_port);
  ::listen(s, 4);
  return s;
}

bool readable(int s, int ms) {
  pollfd p{s, POLLIN, 0};
  return ::poll(&p, 1, ms) == 1;
}

std::size_t count(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

class SyslogSenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    resetFakeSockets();
    installUiRecorder();
    settings = Settings{};
    readLocalClock = platform::localNow;
    syslogRetryFirstMs = 20;
    syslogRetryLastMs = 160;
  }
  void TearDown() override {
    stopSyslog(1000);
    syslogRetryFirstMs = 500;
    syslogRetryLastMs = 30000;
  }
  SyslogSettings to(std::uint16_t port, bool tcp = true) {
    SyslogSettings s;
    std::snprintf(s.SyslogServer, sizeof s.SyslogServer, "%s", "127.0.0.1");
    s.SyslogPort = port;
    s.tcp = tcp;
    s.SyslogMask = 375;
    return s;
  }
  const SyslogOrigin origin_{"lab-host", 4242};
};

}  // namespace

TEST_F(SyslogSenderTest, FullQueueWhileTheCollectorIsAwayIsNotedWhenItIsBack) {
  std::uint16_t port = 0;
  int l = listening(port);
  ::close(l);  // nobody listens yet
  ASSERT_TRUE(startSyslogSender(to(port), origin_));
  EXPECT_FALSE(startSyslogSender(to(port, false), origin_));  // one sender at a time
  for (int i = 0; i < 10050; ++i) reportEvent("Изменения таблицы маршрутов", RouteChange);
  EXPECT_LE(syslogQueued(), 10000u);
  l = listening(port);
  ASSERT_GE(l, 0);
  ASSERT_TRUE(readable(l, 5000));
  const int c = ::accept(l, nullptr, nullptr);
  std::string got;  // the framing itself is read by rsyslogd in the lab
  char chunk[65536];
  for (ssize_t n; readable(c, 1000) && (n = ::recv(c, chunk, sizeof chunk, 0)) > 0;)
    got.append(chunk, static_cast<std::size_t>(n));
  EXPECT_EQ(count(got, " ROUTE ["), 10000u);
  ASSERT_EQ(count(got, " DROPPED ["), 1u);
  EXPECT_EQ(std::stoull(got.substr(got.find("count=\"") + 7)), 50u);
  ::close(c);
  ::close(l);
}

TEST_F(SyslogSenderTest, ACollectorThatIsDownIsTriedAgainAfterGrowingPauses) {
  std::uint16_t port = 0;
  ::close(listening(port));  // nobody listens there
  const std::uint64_t before = syslogCounters.failures.load();
  ASSERT_TRUE(startSyslogSender(to(port), origin_));
  reportEvent("Изменения таблицы маршрутов", RouteChange);
  std::this_thread::sleep_for(1200ms);
  const std::uint64_t tries = syslogCounters.failures.load() - before;
  // 20, 40, 80, 160, 160 ... ms: about ten tries in 1.2 s, not a busy loop and not one.
  EXPECT_GE(tries, 5u);
  EXPECT_LE(tries, 14u);
  EXPECT_EQ(syslogQueued(), 1u);  // the line waits for the collector
}
