#pragma once
// A scripted SMTP server on 127.0.0.1 for one connection: plays exact replies, one per
// command, and records what the client sent.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// In a reply, this byte splits it: the parts go out as separate TCP segments, a pause apart.
inline constexpr char kSegmentBreak = '\x01';

struct SmtpPeer {
  // replies[0] is the greeting; replies[i] answers the i-th thing the client sends (a command
  // line, or after a 354 reply the message up to its final dot line). An empty reply sends
  // nothing. After the last reply the peer keeps reading until the client closes.
  explicit SmtpPeer(std::vector<std::string> replies, int segmentPauseMs = 30);
  ~SmtpPeer();  // waits for the peer (bounded)
  SmtpPeer(const SmtpPeer&) = delete;
  SmtpPeer& operator=(const SmtpPeer&) = delete;

  std::uint16_t port() const { return port_; }
  // Waits until the client has closed (or the peer gave up) and answers what it sent.
  std::vector<std::string> received();
  bool connected() const { return connected_; }
  // Total bytes the client sent.
  std::size_t bytesIn() const { return bytesIn_; }

 private:
  void run();

  std::vector<std::string> replies_;
  int segmentPauseMs_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> connected_{false};
  std::atomic<std::size_t> bytesIn_{0};
  std::mutex lock_;
  std::vector<std::string> received_;
  std::thread thread_;
};

// A loopback port on which nothing listens (bound, its number read, closed again).
std::uint16_t closedLoopbackPort();
