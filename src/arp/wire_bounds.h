#pragma once
// What the wire may make the program write. Any station can send ARP frames with made-up
// senders as fast as the link carries them; each new one would become a line of samples.dat
// or a permanent row of the kernel's table. Learning and blocking of bindings heard on the
// wire therefore draw on a bucket each (a burst, then a steady rate) and on a total per run.
#include <cstdint>

struct WriteBound {
  const char* what;     // the action, for the journal line
  double burst;         // the most written at once (one pass over a flood)
  double perMinute;     // refill of the burst
  std::uint32_t total;  // the most written in one run
  double tokens = 0;
  double last = -1;         // when tokens were last counted; below 0: not yet
  double lastRefusal = -1;  // the stop is journalled when none came in the minute before
  std::uint32_t spent = 0;
};

// Samples learned: a burst of 64 lets a quiet segment's hosts in at once, 60 a minute more
// as they show; 4,096 in a run (a /20 of hosts) keeps samples.dat small and every check
// quick.
// Blocks: each is a permanent row, which the kernel never collects; its neighbour table
// holds 1,024 rows by default (gc_thresh3), shared by every namespace, and a full table
// cuts the host off. A burst of 32, 30 a minute, and 256 in a run leave most of it free.
extern WriteBound wireLearnBound;
extern WriteBound wireBlockBound;

// True when one more write is allowed at nowSeconds (a steady clock) and counts it; false
// when the bound holds it back, then journalling one line for a stop that begins (none in
// the minute before) and one when the run's total is reached.
bool spendWriteBound(WriteBound& bound, double nowSeconds);
// A new run: both bounds full again.
void resetWireBounds();
