#pragma once
// An ARP probe asks kArpTries times and waits kArpTryMs for each answer: a wired LAN answers
// within a millisecond, so 900 ms in all leaves room for a busy host without slowing a scan.
inline constexpr int kArpTries = 3;
inline constexpr int kArpTryMs = 300;
