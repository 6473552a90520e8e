// The syslog sender on loopback: the mask, the full queue's note once the collector is back,
// the pauses between tries. A lost link, a stalled collector and a bad setting are proven
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
#include <vector>

#include "fake/fake_platform.h"
#include "fake/fake_sockets.h"
#include "fake/ui_recorder.h"
#include "report/journal.h"
#include "report/mail_queue.h"
#include "settings/settings.h"

namespace {

using namespace std::chrono_literals;

// A loopback socket of the given type on a free port.
int bound(int type, std::uint16_t& port) {
  const int s = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
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
  if (type == SOCK_STREAM) ::listen(s, 4);
  return s;
}

bool readable(int s, int ms) {
  pollfd p{s, POLLIN, 0};
  return ::poll(&p, 1, ms) == 1;
}

// Octet-counted frames from a stream; false when the peer closed or nothing came in time.
struct FrameReader {
  int s;
  std::string buffer;
  bool next(std::string& frame, int ms = 5000) {
    for (;;) {
      const std::size_t sp = buffer.find(' ');
      if (sp != std::string::npos) {
        const std::size_t len = std::stoul(buffer.substr(0, sp));
        if (buffer.size() >= sp + 1 + len) {
          frame = buffer.substr(sp + 1, len);
          buffer.erase(0, sp + 1 + len);
          return true;
        }
      }
      if (!readable(s, ms)) return false;
      char chunk[4096];
      const ssize_t n = ::recv(s, chunk, sizeof chunk, 0);
      if (n <= 0) return false;
      buffer.append(chunk, static_cast<std::size_t>(n));
    }
  }
};

class SyslogSenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    resetFakeSockets();
    installUiRecorder();
    settings = Settings{};
    readLocalClock = platform::localNow;
    syslogRetryFirstMs = 20;
    syslogRetryLastMs = 100;
  }
  void TearDown() override {
    stopSyslog(1000);
    syslogRetryFirstMs = 500;
    syslogRetryLastMs = 30000;
    syslogStallMs = 30000;
  }
  SyslogSettings to(std::uint16_t port, bool tcp, std::int32_t mask = 375) {
    SyslogSettings s;
    std::snprintf(s.SyslogServer, sizeof s.SyslogServer, "%s", "127.0.0.1");
    s.SyslogPort = port;
    s.tcp = tcp;
    s.SyslogMask = mask;
    return s;
  }
  const SyslogOrigin origin_{"lab-host", 4242};
};

}  // namespace

TEST_F(SyslogSenderTest, UdpSendsTheMaskedKindsAsDatagrams) {
  std::uint16_t port = 0;
  const int u = bound(SOCK_DGRAM, port);
  ASSERT_GE(u, 0);
  ASSERT_TRUE(startSyslogSender(to(port, false, Spoofing | NewAddress), origin_));
  EXPECT_FALSE(startSyslogSender(to(port, false), origin_));  // one sender at a time
  reportEvent("Запуск программы.", Info);                     // not in the mask
  reportEvent("Новый IP-адрес! 10.0.0.7 02-00-00-00-00-07", NewAddress);
  reportEvent("Подмена адреса! 10.0.0.5 02-aa (10.0.0.5 02-bb)", Spoofing);
  std::vector<std::string> got;
  char d[4096];
  while (got.size() < 2 && readable(u, 5000)) {
    const ssize_t n = ::recv(u, d, sizeof d, 0);
    got.emplace_back(d, static_cast<std::size_t>(n));
  }
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].substr(0, 6), "<29>1 ");
  EXPECT_NE(got[0].find(" lab-host vetrel 4242 NEWIP [vetrel@32473 kind=\"NewAddress\" "
                        "ip=\"10.0.0.7\" mac=\"02-00-00-00-00-07\"] \xEF\xBB\xBF"),
            std::string::npos)
      << got[0];
  EXPECT_EQ(got[1].substr(0, 6), "<26>1 ");
  EXPECT_FALSE(readable(u, 100));  // the Info line stayed home
  ::close(u);
}

TEST_F(SyslogSenderTest, FullQueueWhileTheCollectorIsAwayIsNotedWhenItIsBack) {
  std::uint16_t port = 0;
  int l = bound(SOCK_STREAM, port);
  ::close(l);  // nobody listens yet
  ASSERT_TRUE(startSyslogSender(to(port, true), origin_));
  for (int i = 0; i < 10050; ++i) reportEvent("Изменения таблицы маршрутов", RouteChange);
  EXPECT_LE(syslogQueued(), 10000u);
  l = bound(SOCK_STREAM, port);
  ASSERT_GE(l, 0);
  ASSERT_TRUE(readable(l, 5000));
  const int c = ::accept(l, nullptr, nullptr);
  FrameReader r{c, {}};
  std::string f;
  int lines = 0, notes = 0;
  std::uint64_t noted = 0;
  while (r.next(f, 1000)) {
    if (f.find(" DROPPED ") != std::string::npos) {
      ++notes;
      noted = std::stoull(f.substr(f.find("count=\"") + 7));
    } else {
      ++lines;
    }
  }
  EXPECT_EQ(notes, 1);
  EXPECT_EQ(lines + noted, 10050u);
  EXPECT_EQ(lines, 10000);
  ::close(c);
  ::close(l);
}

TEST_F(SyslogSenderTest, ACollectorThatIsDownIsTriedAgainAfterGrowingPauses) {
  std::uint16_t port = 0;
  ::close(bound(SOCK_STREAM, port));  // nobody listens there
  syslogRetryFirstMs = 20;
  syslogRetryLastMs = 160;
  const std::uint64_t before = syslogCounters.failures.load();
  ASSERT_TRUE(startSyslogSender(to(port, true), origin_));
  reportEvent("Изменения таблицы маршрутов", RouteChange);
  std::this_thread::sleep_for(1200ms);
  const std::uint64_t tries = syslogCounters.failures.load() - before;
  // 20, 40, 80, 160, 160 ... ms: about ten tries in 1.2 s, not a busy loop and not one.
  EXPECT_GE(tries, 5u);
  EXPECT_LE(tries, 14u);
  EXPECT_EQ(syslogQueued(), 1u);  // the line waits for the collector
}
