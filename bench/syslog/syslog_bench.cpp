// What the syslog sender costs the tick, and what a collector that never reads costs it.
//   load:  one check that reports 10,000 new addresses, with the sender off, and on over UDP
//          and over TCP to a loopback reader: the check's time and the ratio (target <= 2)
//   stall: the same check, three times, into a TCP collector that accepts and never reads:
//          the check's time stays, the queue stays at 10,000 and memory flat
// Prints figures; exits non-zero only when the sender loses lines it could send or the queue
// passes its bound (the ratios are printed, not enforced: the machine may be busy).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "address_fixture.h"
#include "arp/arp_table.h"
#include "arp/check_cycle.h"
#include "base/address.h"
#include "base/ui_hooks.h"
#include "fake/fake_platform.h"
#include "fake/fake_sockets.h"
#include "fake/ui_recorder.h"
#include "report/syslog_queue.h"
#include "report/syslog_sender.h"
#include "settings/settings.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRows = 10000;
constexpr int kRuns = 9;

std::string rowIp(int i) {
  char t[20];
  formatIpv4Host((10u << 24) + 256u + static_cast<std::uint32_t>(i), t);
  return t;
}

std::string rowMac(int i) {
  char t[20];
  const std::uint8_t b[6] = {0x02,
                             0,
                             0,
                             static_cast<std::uint8_t>(i >> 16),
                             static_cast<std::uint8_t>(i >> 8),
                             static_cast<std::uint8_t>(i)};
  formatMac(b, t);
  return t;
}

int journalled = 0;

void prepare() {
  resetFake();
  installUiRecorder();
  uiHooks.clearList = [](ListId) {};
  uiHooks.appendRow = [](ListId, const char*) { return 0; };
  uiHooks.setCell = [](ListId, int, int, const char*) {};
  uiHooks.journalLine = [](const char*, const char*) { ++journalled; };
  settings = Settings{};
  settings.AddNew = false;  // every row is reported, nothing is learned
  resetCheckCycle();
  freeArpSnapshot();
  createArpSnapshot();
  fake.arpRows.clear();
  for (int i = 0; i < kRows; ++i)
    fake.arpRows.push_back(fakeArpRow(1, rowIp(i).c_str(), rowMac(i).c_str()));
  SampleList.clear();
}

// One first check: 10,000 "Новый IP-адрес!" lines. Milliseconds.
double timedCheck() {
  resetCheckCycle();
  journalled = 0;
  const auto t0 = Clock::now();
  runCheck();
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  if (journalled != kRows) std::fprintf(stderr, "check journalled %d lines\n", journalled);
  return ms;
}

int bound(int type, std::uint16_t& port) {
  const int s = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (type == SOCK_DGRAM) {
    const int big = 8 << 20;
    ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
  } else {
    const int small = 4096;
    ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  }
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  port = ntohs(a.sin_port);
  if (type == SOCK_STREAM) ::listen(s, 4);
  return s;
}

// Reads and counts messages until told to stop (UDP: datagrams; TCP: frames by their counts).
struct Reader {
  int socket = -1;
  bool tcp = false;
  std::atomic<long> messages{0};
  std::atomic<bool> stop{false};
  std::thread thread;
  std::uint16_t port = 0;
  void run() {
    std::string buffer;
    std::vector<char> chunk(1 << 16);
    while (!stop) {
      int s = socket;
      if (tcp) {  // one link after the other: each sender makes its own
        pollfd p{socket, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        s = ::accept(socket, nullptr, nullptr);
        buffer.clear();
      }
      while (!stop) {
        pollfd p{s, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        const ssize_t n = ::recv(s, chunk.data(), chunk.size(), 0);
        if (n <= 0) break;
        if (!tcp) {
          ++messages;
          continue;
        }
        buffer.append(chunk.data(), static_cast<std::size_t>(n));
        for (;;) {
          const std::size_t sp = buffer.find(' ');
          if (sp == std::string::npos) break;
          const std::size_t len = std::stoul(buffer.substr(0, sp));
          if (buffer.size() < sp + 1 + len) break;
          buffer.erase(0, sp + 1 + len);
          ++messages;
        }
      }
      if (tcp) ::close(s);
    }
  }
};

SyslogSettings to(std::uint16_t port, bool tcp) {
  SyslogSettings s;
  std::snprintf(s.SyslogServer, sizeof s.SyslogServer, "127.0.0.1");
  s.SyslogPort = port;
  s.tcp = tcp;
  return s;
}

long residentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A running program's sender was started long before the check: not the check's cost.
void settle() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

void startReader(Reader& r, bool tcp) {
  std::uint16_t port = 0;
  r.tcp = tcp;
  r.socket = bound(tcp ? SOCK_STREAM : SOCK_DGRAM, port);
  r.port = port;
  r.thread = std::thread(&Reader::run, &r);
}

void stopReader(Reader& r) {
  r.stop = true;
  r.thread.join();
  ::close(r.socket);
}

// One check with the sender on; waits for every message before the sender stops.
double checkWithSender(Reader& r, bool& whole) {
  const long before = r.messages.load();
  startSyslogSender(to(r.port, r.tcp), SyslogOrigin{"bench-host", 1});
  settle();
  const double ms = timedCheck();
  const auto until = Clock::now() + std::chrono::seconds(20);
  while (r.messages.load() - before < kRows && Clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  stopSyslog(1000);
  const long got = r.messages.load() - before;
  // UDP may lose datagrams in the receiver's buffer; TCP must not lose any.
  if (got != kRows) {
    std::printf("  %s: %ld of %d messages arrived\n", r.tcp ? "tcp" : "udp", got, kRows);
    if (r.tcp) whole = false;
  }
  return ms;
}

}  // namespace

int main() {
  resetFakeSockets();
  prepare();
  bool ok = true;
  timedCheck();  // warm caches and allocations

  // Interleaved, so that the load of the machine falls on the three alike.
  Reader udp, tcp;
  startReader(udp, false);
  startReader(tcp, true);
  std::vector<double> off, onUdp, onTcp, down;
  std::uint16_t closedPort = 0;
  ::close(bound(SOCK_STREAM, closedPort));  // nobody listens there
  for (int run = 0; run < kRuns; ++run) {
    settle();
    off.push_back(timedCheck());
    // The queue's own cost: a collector that is down, the sender waiting to reconnect.
    startSyslogSender(to(closedPort, true), SyslogOrigin{"bench-host", 1});
    settle();
    down.push_back(timedCheck());
    stopSyslog(0);
    onUdp.push_back(checkWithSender(udp, ok));
    onTcp.push_back(checkWithSender(tcp, ok));
  }
  stopReader(udp);
  stopReader(tcp);
  const double offMs = median(off), udpMs = median(onUdp), tcpMs = median(onTcp);
  std::printf("check reporting %d new addresses, median of %d:\n", kRows, kRuns);
  std::printf("  sender off  %8.2f ms\n", offMs);
  std::printf("  queue only  %8.2f ms  ratio %.2f (collector down)\n", median(down),
              median(down) / offMs);
  std::printf("  sender udp  %8.2f ms  ratio %.2f (target <= 2)\n", udpMs, udpMs / offMs);
  std::printf("  sender tcp  %8.2f ms  ratio %.2f (target <= 2)\n", tcpMs, tcpMs / offMs);

  // A collector that accepts and never reads.
  std::uint16_t port = 0;
  const int sink = bound(SOCK_STREAM, port);
  if (!startSyslogSender(to(port, true), SyslogOrigin{"bench-host", 1})) return 1;
  std::printf("collector that never reads (TCP, window full):\n");
  long firstRss = 0;
  for (int round = 1; round <= 6; ++round) {
    const double ms = timedCheck();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::size_t queued = syslogQueued();
    const long rss = residentKb();
    if (round == 3) firstRss = rss;
    std::printf("  round %d: check %.2f ms (ratio %.2f), queued %zu, resident %ld kB\n", round, ms,
                ms / offMs, queued, rss);
    if (queued > kSyslogQueueCapacity) ok = false;
  }
  const long lastRss = residentKb();
  std::printf("  resident growth over the last three rounds: %ld kB\n", lastRss - firstRss);
  const auto s0 = Clock::now();
  stopSyslog(500);
  std::printf("  stop with the window full took %.0f ms\n",
              std::chrono::duration<double, std::milli>(Clock::now() - s0).count());
  ::close(sink);
  return ok ? 0 : 1;
}
