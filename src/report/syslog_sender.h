#pragma once
// The syslog sender: journal lines of the kinds in SyslogMask go, as RFC 5424 messages, to
// one collector over UDP or TCP. The reporting thread only queues; one sender thread sends,
// reconnects a lost TCP link with a growing pause, and says how many lines a full queue lost.
#include <atomic>
#include <cstdint>

#include "report/syslog_message.h"
#include "report/syslog_settings.h"

// Reads the settings and, when a collector is named and sockets are ready, starts the sender
// and lets it see every journal line from now on. A bad value leaves it off and is kept for
// reportSyslogProblem. Call once, before the start lines.
void startSyslog();
// Journals the bad value as a program error, once; nothing when the settings were good.
void reportSyslogProblem();
// Stops taking lines and gives the sender up to waitMs to send what is queued; a sender
// still busy then is left to end with the process.
void stopSyslog(int waitMs);
// What the programs give the sender at exit: the exit lines reach a collector that is up.
inline constexpr int kSyslogExitWaitMs = 1000;

// The sender with explicit settings and origin (tests, benchmark). False when it could not
// start (one is running, or no thread).
bool startSyslogSender(const SyslogSettings& settings, const SyslogOrigin& origin);
std::size_t syslogQueued();

// Pauses between connection attempts grow from the first to the last; a TCP link whose
// collector takes nothing for syslogStallMs is given up and made again. Tests shorten them.
extern int syslogRetryFirstMs;
extern int syslogRetryLastMs;
extern int syslogStallMs;

struct SyslogCounters {
  std::atomic<std::uint64_t> sent{0};      // messages handed to the system whole
  std::atomic<std::uint64_t> connects{0};  // links made (UDP: sockets opened)
  std::atomic<std::uint64_t> failures{0};  // links lost or not made
};
extern SyslogCounters syslogCounters;
