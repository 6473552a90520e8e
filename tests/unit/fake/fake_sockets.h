#pragma once
// Sockets for the logic's tests: real TCP, but only to loopback addresses, with names served
// from a table and failures that a test can script.
#include <atomic>
#include <map>
#include <string>

struct FakeSockets {
  // Names the resolver knows (dotted text is always taken as it is).
  std::map<std::string, std::string> names{{"localhost", "127.0.0.1"}};
  int resolveError = 11001;  // the number a failed resolution leaves (WSAHOST_NOT_FOUND)
  int openError = 0;         // non-zero: openTcpSocket fails with it
  int nonBlockingError = 0;  // non-zero: switching to non-blocking fails with it
  std::atomic<int> opened{0};
  std::atomic<int> closed{0};
  std::atomic<int> nonBlockingOn{0};
  std::atomic<int> nonBlockingOff{0};
  std::atomic<int> connectsRefusedOffLoopback{0};
};

extern FakeSockets fakeSockets;
void resetFakeSockets();
