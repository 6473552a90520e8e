#pragma once
// An ARP probe asks up to kArpTries times and waits kArpWaitMs[k] after try k: a wired LAN
// answers within a millisecond and a busy host within tens, so an absent address is given up
// after 0.5 s in all, and a host whose reply is lost twice is still found. The same schedule
// holds for a probe on its own and inside a sweep.
inline constexpr int kArpTries = 3;
inline constexpr int kArpWaitMs[kArpTries] = {100, 150, 250};
// A sweep sends one request every kSweepGapUs: 2,000 a second, about 1 Mbit/s of broadcasts
// with framing, so a /24 is asked in 0.13 s and a /16 in 33 s.
inline constexpr int kSweepGapUs = 500;
// Requests owed after a late wake-up go out back to back, at most this many.
inline constexpr int kSweepBurst = 8;
// The sweep's receive buffer holds the replies of a burst while its thread is not scheduled.
inline constexpr int kSweepReceiveBytes = 4 << 20;
