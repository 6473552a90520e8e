#include "app/linux/runtime/live_watch.h"

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <random>
#include <string>

#include "app/linux/runtime/main_queue.h"
#include "arp/wire_reports.h"
#include "base/detached_thread.h"
#include "base/external_text.h"
#include "platform/listen_platform.h"
#include "report/journal.h"
#include "settings/settings.h"

namespace {

// The watch thread's memory of the last binding heard per address: the kernel also
// announces moves between states (reachable, stale) of a binding that did not change, and
// those must not cost a check.
BindingTable* heardRows = nullptr;
constexpr std::uint8_t kRemovedTag = 0xff;
// Eight times the kernel's default table (gc_thresh3); a row forgotten only costs a check.
constexpr std::size_t kHeardRows = 8192;

Neighbour6Memory* heardRows6 = nullptr;  // null: IPv6 events are not asked for

void postTableChange() { postMainEvent(mainQueue, {MainEventKind::TableChange, 0}); }
void postTable6Change() { postMainEvent(mainQueue, {MainEventKind::Table6Change, 0}); }

void onNeighbour(const ArpRow& row, bool removed) {
  if (neighbourChangeCounts(*heardRows, row, removed)) postTableChange();
}

void onNeighbour6(const Neighbour6Row& row, bool removed) {
  if (heardRows6 && neighbour6ChangeCounts(*heardRows6, row, removed)) postTable6Change();
}

void onNeighbourOverrun() {
  heardRows->clear();  // what was missed is unknown: the next of each row counts
  postTableChange();
  if (!heardRows6) return;
  heardRows6->clear();
  postTable6Change();
}

void neighbourWatch(bool ipv6) {
  BindingTable heard(kHeardRows);
  Neighbour6Memory heard6(kHeardRows);
  heardRows = &heard;
  if (ipv6) {
    heardRows6 = &heard6;
    platform::setNeighbour6Sink(onNeighbour6);
  }
  platform::watchNeighbours(onNeighbour, onNeighbourOverrun);
  platform::setNeighbour6Sink(nullptr);
  heardRows6 = nullptr;
  heardRows = nullptr;  // the events have stopped; the timer's checks go on
}

// Blocks in the system's IPv6 route notification for the rest of the run.
void route6Watch() {
  while (platform::notifyRoute6Change() == 0)
    postMainEvent(mainQueue, {MainEventKind::Route6Change, 0});
}

std::mutex inboxLock;
std::deque<WireBinding> inbox;
std::deque<platform::HeardIpv6> inbox6;

struct ReadState {
  BindingTable seen;  // this thread's: a binding heard again unchanged stops here
  RecentKeys marked{4096, kWireMarkedRepeat};  // and a marked frame repeated soon after
  std::vector<WireBinding> batch;
  RecentKeys heard6{4096, kWireMarkedRepeat};  // an IPv6 frame repeated soon after
  std::vector<platform::HeardIpv6> batch6;
  std::uint64_t seed6 = std::uint64_t{std::random_device{}()} << 32 | std::random_device{}();
  double now = 0;
};

// FNV-1a from a per-run seed, so that no sender can choose frames that pass for another's.
struct FrameKey {
  std::uint64_t value;
  void add(const void* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      value ^= static_cast<const std::uint8_t*>(p)[i];
      value *= 0x100000001b3u;
    }
  }
  template <typename T>
  void add(const T& field) {
    add(&field, sizeof field);
  }
};

// Every field of the frame, the interface and Ethernet source included: a repeat is the same
// frame from the same sender.
std::uint64_t heardIpv6Key(const platform::HeardIpv6& f, std::uint64_t seed) {
  FrameKey k{seed ^ 0xcbf29ce484222325u};
  k.add(f.kind);
  k.add(f.etherSource);
  k.add(f.source);
  k.add(f.target);
  k.add(f.hasLinkAddress);
  k.add(f.linkAddress);
  const std::uint8_t flags = f.routerFlag << 2 | f.solicitedFlag << 1 | f.overrideFlag;
  k.add(flags);
  k.add(f.routerLifetime);
  for (std::uint8_t i = 0; i < f.prefixCount && i < platform::kHeardListMax; ++i) {
    k.add(f.prefixes[i].bytes);
    k.add(f.prefixes[i].length);
    k.add(f.prefixes[i].validLifetime);
  }
  k.add(f.prefixCount);
  for (std::uint8_t i = 0; i < f.dnsCount && i < platform::kHeardListMax; ++i) k.add(f.dns[i]);
  k.add(f.dnsCount);
  k.add(f.dhcpType);
  k.add(f.ifIndex);
  return k.value;
}

void onIpv6Frame(void* context, const platform::HeardIpv6& frame) {
  auto* state = static_cast<ReadState*>(context);
  if (frame.tagged && frame.vlanId != 0) return;  // another VLAN: not this segment
  if (state->heard6.firstWithin(heardIpv6Key(frame, state->seed6), state->now))
    state->batch6.push_back(frame);
}

double steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void onFrame(void* context, const platform::HeardArp& frame) {
  auto* state = static_cast<ReadState*>(context);
  WireBinding b{};
  if (!readWireFrame(frame, b)) return;
  if (b.marks ? state->marked.firstWithin(wireFrameKey(b), state->now)
              : state->seen.learn(b.ip, b.mac))
    state->batch.push_back(b);
}

void reportListenerChanges() {
  for (const platform::ArpListenerChange& c : platform::recheckArpListeners()) {
    const std::string name = cleanExternalText(c.name);
    char line[kJournalTextMax + 1];
    if (c.listening)
      std::snprintf(line, sizeof line, "Прослушивание сети: интерфейс %s снова прослушивается.",
                    name.c_str());
    else if (c.error)
      std::snprintf(line, sizeof line,
                    "Прослушивание сети: интерфейс %s не прослушивается: ошибка %u.", name.c_str(),
                    static_cast<unsigned>(c.error));
    else
      std::snprintf(line, sizeof line,
                    "Прослушивание сети: интерфейс %s пропал; прослушивание возобновится, когда он "
                    "появится.",
                    name.c_str());
    reportEvent(line, c.listening ? Info : ProgramError);
  }
}

void wireRead() {
  auto state = std::make_unique<ReadState>();
  auto lastStats = std::chrono::steady_clock::now();
  auto lastForget = lastStats;
  for (;;) {
    state->batch.clear();
    state->batch6.clear();
    state->now = steadySeconds();
    if (const std::uint32_t error = platform::readArpFrames(200, onFrame, state.get())) {
      char line[96];
      std::snprintf(line, sizeof line, "Прослушивание сети остановлено: ошибка %u.", error);
      reportEvent(line, ProgramError);
      return;
    }
    if (!state->batch.empty()) handWireBindings(state->batch);
    if (!state->batch6.empty()) handHeardIpv6(state->batch6);
    const auto now = std::chrono::steady_clock::now();
    if (now - lastStats >= std::chrono::seconds(1)) {
      lastStats = now;
      if (const std::uint64_t drops = platform::takeArpFrameDrops()) addWireDrops(drops);
      reportListenerChanges();
    }
    // A sender still there after a window is handed up once more, to be reported again.
    if (now - lastForget >= std::chrono::duration<double>(kWireReportWindow)) {
      lastForget = now;
      state->seen.clear();
    }
  }
}

}  // namespace

bool neighbourChangeCounts(BindingTable& heard, const ArpRow& row, bool removed) {
  static constexpr std::uint8_t kNoMac[6] = {};
  std::uint8_t mac[6] = {};
  if (!removed) {
    // Incomplete and failed rows hold no binding; a check skips them too.
    if (row.physAddrLen == 0 || std::memcmp(row.physAddr, kNoMac, 6) == 0) return false;
    std::memcpy(mac, row.physAddr, 6);
  }
  const std::uint8_t tag = removed ? kRemovedTag : static_cast<std::uint8_t>(row.type);
  return heard.learn(ntohl(row.addr), mac, tag) && !removed;
}

bool neighbour6ChangeCounts(Neighbour6Memory& heard, const Neighbour6Row& row, bool removed) {
  static constexpr std::uint8_t kNoMac[6] = {};
  std::string binding(8, '\0');  // MAC, type, router flag; the tag alone for a deletion
  if (removed) {
    binding[6] = static_cast<char>(kRemovedTag);
  } else {
    if (row.macLength != 6 || std::memcmp(row.mac, kNoMac, 6) == 0) return false;
    std::memcpy(binding.data(), row.mac, 6);
    binding[6] = static_cast<char>(row.type);
    binding[7] = row.router ? 1 : 0;
  }
  std::string key(reinterpret_cast<const char*>(row.addr), 16);
  key.append(reinterpret_cast<const char*>(&row.ifIndex), sizeof row.ifIndex);
  try {
    std::string& last = heard.put(key);
    if (last == binding) return false;
    last = binding;
  } catch (const std::bad_alloc&) {
    // Without the memory a change costs a check, as one forgotten would.
  }
  return !removed;
}

bool startNeighbourWatch(bool ipv6) { return startDetached(neighbourWatch, ipv6); }

bool startRoute6Watch() { return startDetached(route6Watch); }

std::uint32_t startWireListen(const std::vector<std::string>& interfaces, std::string& failedName) {
  platform::listenIpv6(settings.WatchIpv6 ? onIpv6Frame : nullptr);
  if (std::uint32_t error = platform::openArpListeners(interfaces, failedName)) return error;
  if (!startDetached(wireRead)) {
    failedName = interfaces.empty() ? std::string() : interfaces.front();
    return EAGAIN;
  }
  return 0;
}

void handWireBindings(const std::vector<WireBinding>& batch) {
  bool wake = false;
  std::uint64_t lost = 0;
  {
    std::lock_guard<std::mutex> hold(inboxLock);
    wake = inbox.empty();
    for (const WireBinding& b : batch) {
      if (inbox.size() >= kWireInboxLimit) {
        ++lost;
        continue;
      }
      inbox.push_back(b);
    }
  }
  if (lost) addWireDrops(lost);
  if (wake) postMainEvent(mainQueue, {MainEventKind::WireBatch, 0});
}

bool takeWireBindings(std::vector<WireBinding>& out, std::size_t max) {
  out.clear();
  std::lock_guard<std::mutex> hold(inboxLock);
  while (!inbox.empty() && out.size() < max) {
    out.push_back(inbox.front());
    inbox.pop_front();
  }
  return !inbox.empty();
}

void handHeardIpv6(const std::vector<platform::HeardIpv6>& batch) {
  bool wake = false;
  std::uint64_t lost = 0;
  {
    std::lock_guard<std::mutex> hold(inboxLock);
    // Each inbox wakes the main thread on its own: it may have just emptied the other.
    wake = inbox6.empty();
    for (const platform::HeardIpv6& f : batch) {
      if (inbox6.size() >= kIpv6InboxLimit) {
        ++lost;
        continue;
      }
      inbox6.push_back(f);
    }
  }
  if (lost) addWireDrops(lost);
  if (wake) postMainEvent(mainQueue, {MainEventKind::WireBatch, 0});
}

bool takeHeardIpv6(std::vector<platform::HeardIpv6>& out, std::size_t max) {
  out.clear();
  std::lock_guard<std::mutex> hold(inboxLock);
  while (!inbox6.empty() && out.size() < max) {
    out.push_back(inbox6.front());
    inbox6.pop_front();
  }
  return !inbox6.empty();
}
