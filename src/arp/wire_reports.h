#pragma once
// What the wire shows beside the bindings it hands the check: frames whose Ethernet source
// is not their ARP sender, group senders, senders in no subnet of the interface, and an
// address whose MAC goes back to the one it had moments before. Each is journalled once per
// sender and kind within a window, and a flood of many senders by a few lines a kind. None
// of them learns, restores or blocks anything.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "arp/wire_bindings.h"
#include "base/recent_keys.h"
#include "platform/listen_platform.h"

enum class WireReport : std::uint8_t { Mismatch, GroupSender, OffSubnet, FlipFlop };
inline constexpr std::size_t kWireReportKinds = 4;

// A sender is reported once per kind within this many seconds; a MAC that comes back within
// it after a change is a flip-flop.
inline constexpr double kWireReportWindow = 600;
// Lines of one kind within a window, whatever the senders; more are counted, not written.
inline constexpr std::uint32_t kWireReportLines = 5;
// The reading thread hands up a marked frame of one sender at most this often.
inline constexpr double kWireMarkedRepeat = 1;

// Per address the MAC seen last, the one before it and when it changed; bounded as above.
class MacHistory {
 public:
  explicit MacHistory(std::size_t capacity);
  // Notes mac for ip at now. True when mac differs from the last one and is the one before
  // it, and the last change lies within window; previous then holds the MAC it replaces.
  bool goesBack(std::uint32_t ip, const std::uint8_t (&mac)[6], double now, double window,
                std::uint8_t (&previous)[6]);
  void clear();

 private:
  struct Slot {
    std::uint32_t ip;  // 0: empty
    std::uint8_t last[6];
    std::uint8_t before[6];
    double changed;  // below 0: no change seen yet
    double used;
  };
  std::vector<Slot> slots_;
};

// Reading thread: what a frame of the interface's own segment hands up. A unicast sender's
// binding as readArpBinding reads it, with the Ethernet source; a frame whose Ethernet
// source differs, or whose sender is a group or zero MAC, marked (and, when it carries no
// binding to decide, marked kWireNoBinding). False: nothing to hand up.
inline constexpr std::uint8_t kWireMismatch = 1;
inline constexpr std::uint8_t kWireGroupSender = 2;
inline constexpr std::uint8_t kWireNoBinding = 4;
bool readWireFrame(const platform::HeardArp& frame, WireBinding& out);
// The key a marked frame is handed up by at most once per kWireMarkedRepeat.
std::uint64_t wireFrameKey(const WireBinding& b);

// Main thread, per frame handed up, before its binding is decided: journals what the frame
// shows. False when there is no binding to decide (a group sender, a probe, an address in
// no subnet of the interface).
bool reportWireFrame(const WireBinding& b, double nowSeconds);
// Main thread, per binding whose MAC is new for its address: journals a flip-flop. True when
// the binding went back to a MAC it had within the window: both MACs were decided already.
bool reportWireReturn(const WireBinding& b, double nowSeconds);
// Main thread, each tick: a window that ended with lines held back says how many.
void journalWireReportsHeld(double nowSeconds);
// Forgets the senders and counts (tests, and a new run).
void resetWireReports();
