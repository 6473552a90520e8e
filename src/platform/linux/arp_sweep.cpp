// The ARP sweep of a scan pass: one thread sends the requests for every address of the pass,
// paced, retries the silent ones and reads every reply; the scan workers' probes only wait for
// their address to settle. A LAN then costs one pacing gap per address plus one wait schedule
// for the whole pass instead of one per dead address and worker.
#include "platform/linux/arp_sweep.h"

#include <linux/if_packet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/linux/arp_frame.h"
#include "platform/linux/arp_source.h"
#include "platform/linux/interface_tables.h"
#include "platform/linux/probe_timing.h"
#include "platform/linux/sweep_plan.h"
#include "platform/probe_platform.h"

namespace {

// A probe waiting for its address; the sweep wakes only the probes whose address settled.
struct Waiter {
  std::uint32_t entry;
  std::condition_variable settled;
};

struct Sweep {
  std::mutex lock;
  std::vector<Waiter*> waiters;  // under lock
  SweepPlan plan;
  std::vector<ArpSource> sources;
  std::vector<int> fds;  // one per source
  int wakeFd = -1;
  bool ending = false;
  std::thread thread;

  ~Sweep() {
    for (int fd : fds) close(fd);
    if (wakeFd >= 0) close(wakeFd);
  }
  // Under lock.
  void wakeSettled() {
    for (Waiter* w : waiters)
      if (ending || settled(plan.entries[w->entry])) w->settled.notify_one();
  }
  void wake() const {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wakeFd, &one, sizeof one);
  }
};

std::mutex currentLock;
std::shared_ptr<Sweep> current;

// Conflicts heard, until taken; they outlive the sweep that heard them.
std::mutex conflictsLock;
std::vector<platform::ArpConflict> conflicts;

std::shared_ptr<Sweep> currentSweep() {
  std::lock_guard<std::mutex> hold(currentLock);
  return current;
}

void sendRequest(Sweep& sweep, const SweepEntry& e) {
  const ArpSource& source = sweep.sources[e.source];
  std::uint8_t frame[kArpPaddedFrameBytes];
  const std::size_t length =
      buildArpRequest(source.mac, source.address, e.address, frame, sizeof frame);
  // A full send queue loses this try; its wait runs out and the next try goes.
  if (length) send(sweep.fds[e.source], frame, length, MSG_DONTWAIT);
}

void noteConflict(const SweepEntry& e, const std::uint8_t (&other)[6]) {
  platform::ArpConflict c{};
  c.address = e.address;
  std::memcpy(c.keptMac, e.mac, 6);
  std::memcpy(c.otherMac, other, 6);
  std::lock_guard<std::mutex> hold(conflictsLock);
  // Each entry is said once, so a pass adds at most one per address.
  if (conflicts.size() < 65536) conflicts.push_back(c);
}

// Every frame waiting on the socket of source; true when one settled an entry.
bool readReplies(Sweep& sweep, std::uint16_t source) {
  const int fd = sweep.fds[source];
  const ArpSource& own = sweep.sources[source];
  bool any = false;
  std::uint8_t buffer[1600];
  for (;;) {
    sockaddr_ll from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n = recvfrom(fd, buffer, sizeof buffer, MSG_DONTWAIT,
                               reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) return any;
    // On a veth or in promiscuous mode replies meant for other hosts pass by too.
    if (from.sll_pkttype == PACKET_OTHERHOST) continue;
    ArpReply reply;
    if (!readArpReply(buffer, static_cast<std::size_t>(n), reply) ||
        !answersUs(reply, own.mac, own.address))
      continue;
    const ReplyOutcome outcome = recordReply(sweep.plan, source, reply.senderIp, reply.senderMac);
    if (outcome == ReplyOutcome::Settled) any = true;
    if (outcome == ReplyOutcome::Conflict)
      noteConflict(sweep.plan.entries[sweep.plan.byAddress.at(reply.senderIp)], reply.senderMac);
  }
}

void runSweep(Sweep* sweep) {
  // The pacing gap is half a millisecond; the default slack would stretch every sleep.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  std::vector<pollfd> polls;
  for (int fd : sweep->fds) polls.push_back({fd, POLLIN, 0});
  polls.push_back({sweep->wakeFd, POLLIN, 0});
  std::unique_lock<std::mutex> hold(sweep->lock);
  while (!sweep->ending) {
    auto now = SweepClock::now();
    bool any = expireWaits(sweep->plan, now);
    for (long i; (i = takeRequest(sweep->plan, now)) >= 0;)
      sendRequest(*sweep, sweep->plan.entries[i]);
    if (any) sweep->wakeSettled();

    const SweepClock::time_point wakeAt = nextWake(sweep->plan);
    timespec timeout{};
    timespec* timeoutPointer = nullptr;
    if (wakeAt != SweepClock::time_point::max()) {
      const auto left =
          std::chrono::duration_cast<std::chrono::nanoseconds>(wakeAt - SweepClock::now());
      const long long ns = left.count() > 0 ? left.count() : 0;
      timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
      timeout.tv_nsec = static_cast<long>(ns % 1000000000);
      timeoutPointer = &timeout;
    }
    hold.unlock();
    const int ready = ppoll(polls.data(), polls.size(), timeoutPointer, nullptr);
    hold.lock();
    if (ready <= 0) continue;
    any = false;
    for (std::size_t k = 0; k + 1 < polls.size(); ++k) {
      // Reading also takes a socket error (a vanished interface), which would otherwise wake
      // every poll at once; a socket that turned invalid is left out.
      if (polls[k].revents & POLLNVAL)
        polls[k].fd = -1;
      else if (polls[k].revents)
        any |= readReplies(*sweep, static_cast<std::uint16_t>(k));
    }
    if (polls.back().revents & POLLIN) {
      std::uint64_t count = 0;
      [[maybe_unused]] ssize_t n = read(sweep->wakeFd, &count, sizeof count);
    }
    if (any) sweep->wakeSettled();
  }
}

void stopSweep(const std::shared_ptr<Sweep>& sweep) {
  if (!sweep) return;
  {
    std::lock_guard<std::mutex> hold(sweep->lock);
    sweep->ending = true;
    sweep->wakeSettled();
  }
  sweep->wake();
  if (sweep->thread.joinable()) sweep->thread.join();
}

}  // namespace

bool waitForSweep(std::uint32_t dest, std::uint8_t (&mac)[6], std::uint32_t& result) {
  std::shared_ptr<Sweep> sweep = currentSweep();
  if (!sweep) return false;
  std::unique_lock<std::mutex> hold(sweep->lock);
  auto it = sweep->plan.byAddress.find(dest);
  if (sweep->ending || it == sweep->plan.byAddress.end()) return false;
  SweepEntry& e = sweep->plan.entries[it->second];
  if (addWaiter(sweep->plan, it->second)) sweep->wake();
  Waiter waiter{it->second, {}};
  sweep->waiters.push_back(&waiter);
  waiter.settled.wait(hold, [&] { return settled(e) || sweep->ending; });
  std::erase(sweep->waiters, &waiter);
  --e.waiters;
  if (!settled(e)) return false;
  result = e.state == SweepState::Answered ? 0 : ETIMEDOUT;
  if (result == 0) std::memcpy(mac, e.mac, 6);
  return true;
}

namespace platform {

void beginArpSweep(const std::vector<std::uint32_t>& addresses) {
  endArpSweep();
  auto sweep = std::make_shared<Sweep>();
  std::vector<AddressRecord> localAddresses;
  std::vector<LinkRecord> links;
  if (readAddresses(localAddresses) != 0 || readLinks(links) != 0) return;
  std::vector<std::uint32_t> sourceFailed;  // interfaces whose socket could not be opened
  for (std::uint32_t dest : addresses) {
    ArpSource source;
    // Addresses the sweep cannot ask (our own, unreachable, no socket) are left to the
    // single probe, which answers them or gives the error.
    if (chooseArpSource(dest, localAddresses, links, source) != 0 || dest == source.address)
      continue;
    std::size_t s = 0;
    while (s < sweep->sources.size() && sweep->sources[s].ifIndex != source.ifIndex) ++s;
    if (s == sweep->sources.size()) {
      bool failedBefore = false;
      for (std::uint32_t f : sourceFailed) failedBefore |= f == source.ifIndex;
      if (failedBefore || sweep->sources.size() >= 0xFFFF) continue;
      int fd = -1;
      if (openArpSocket(source.ifIndex, fd) != 0) {
        sourceFailed.push_back(source.ifIndex);
        continue;
      }
      // Root may pass the system's limit; otherwise the limit holds.
      if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &kSweepReceiveBytes,
                     sizeof kSweepReceiveBytes) != 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kSweepReceiveBytes, sizeof kSweepReceiveBytes);
      sweep->sources.push_back(source);
      sweep->fds.push_back(fd);
    }
    addToPlan(sweep->plan, dest, static_cast<std::uint16_t>(s));
  }
  if (sweep->plan.entries.empty()) return;
  sweep->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (sweep->wakeFd < 0) return;
  try {
    sweep->thread = std::thread(runSweep, sweep.get());
  } catch (const std::system_error&) {
    return;
  }
  std::lock_guard<std::mutex> hold(currentLock);
  current = std::move(sweep);
}

void narrowArpSweep() {
  std::shared_ptr<Sweep> sweep = currentSweep();
  if (!sweep) return;
  {
    std::lock_guard<std::mutex> hold(sweep->lock);
    narrowPlan(sweep->plan);
  }
  sweep->wake();
}

std::vector<ArpConflict> takeArpConflicts() {
  std::vector<ArpConflict> taken;
  std::lock_guard<std::mutex> hold(conflictsLock);
  taken.swap(conflicts);
  return taken;
}

void endArpSweep() {
  std::shared_ptr<Sweep> sweep;
  {
    std::lock_guard<std::mutex> hold(currentLock);
    sweep.swap(current);
  }
  stopSweep(sweep);
}

}  // namespace platform
