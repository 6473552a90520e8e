#pragma once
// The bookkeeping of an ARP sweep, apart from its sockets and its thread: which request goes
// out next, when a try has waited long enough, and when an address is settled. Time is passed
// in, so tests step it by hand. The caller holds the sweep's lock around every call.
#include <chrono>
#include <cstdint>
#include <deque>
#include <queue>
#include <unordered_map>
#include <vector>

using SweepClock = std::chrono::steady_clock;

enum class SweepState : std::uint8_t {
  Unasked,   // no request yet
  Asked,     // a try is out, its wait running
  Idle,      // a wait ran out after the sweep was narrowed and nobody waited for the address
  Answered,  // mac holds the reply's sender hardware address
  Failed,    // every try ran out
};

struct SweepEntry {
  std::uint32_t address = 0;  // network order
  std::uint16_t source = 0;   // index of the interface it is asked from
  SweepState state = SweepState::Unasked;
  std::uint8_t tries = 0;
  std::uint16_t waiters = 0;  // probes waiting for this address now
  std::uint8_t mac[6] = {};
  bool conflictSaid = false;  // a second MAC answered for the address
};

enum class ReplyOutcome : std::uint8_t {
  Ignored,   // not in the plan, not asked yet, from another interface, or nothing new
  Settled,   // the entry took the MAC
  Conflict,  // it had settled with another MAC, which it keeps (said once per entry)
};

struct SweepPlan {
  std::vector<SweepEntry> entries;
  std::unordered_map<std::uint32_t, std::uint32_t> byAddress;  // address -> entry
  std::size_t cursor = 0;                                      // next entry for a first request
  std::deque<std::uint32_t> urgent;  // asked before the cursor: retries, waited-for
  struct Deadline {
    SweepClock::time_point at;
    std::uint32_t entry;
    std::uint8_t tries;  // the try it belongs to; a later try makes it stale
    bool operator>(const Deadline& o) const { return at > o.at; }
  };
  std::priority_queue<Deadline, std::vector<Deadline>, std::greater<Deadline>> deadlines;
  bool narrowed = false;  // first requests only for addresses a probe waits for
  SweepClock::time_point nextSlot{};
};

// Adds an address in sweep order; an address already present is ignored.
void addToPlan(SweepPlan& plan, std::uint32_t addressNetworkOrder, std::uint16_t source);
// The entry whose request goes out now (marked asked, its wait started), or -1 when nothing
// is due or the pacing gap has not passed.
long takeRequest(SweepPlan& plan, SweepClock::time_point now);
// Ends the waits that ran out by now: a retry is queued, or the entry fails after its last
// try. True when some entry settled.
bool expireWaits(SweepPlan& plan, SweepClock::time_point now);
// A reply from address heard on the interface of source. Only an entry whose request went out
// from that interface settles, once; the first MAC stays.
ReplyOutcome recordReply(SweepPlan& plan, std::uint16_t source, std::uint32_t addressNetworkOrder,
                         const std::uint8_t (&mac)[6]);
// After a stop: no first request but for addresses a probe waits for.
void narrowPlan(SweepPlan& plan);
// A probe starts waiting for entry: true when the sweep must now ask for it (it was passed
// over after narrowing).
bool addWaiter(SweepPlan& plan, std::uint32_t entry);
bool settled(const SweepEntry& e);
// When the sweep has something to do next; time_point::max() when nothing is pending.
SweepClock::time_point nextWake(const SweepPlan& plan);
