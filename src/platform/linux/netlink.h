#pragma once
// Requests and dumps over a route netlink socket (libmnl). One socket per call, so callers on
// different threads share nothing.
#include <cstddef>
#include <cstdint>
#include <functional>

struct nlmsghdr;

namespace netlink {

// Called once per message of a dump.
using MessageHandler = std::function<void(const nlmsghdr*)>;

inline constexpr int kDumpAttempts = 5;

// Dumps type (RTM_GETNEIGH, ...) with the family header given. A dump that the kernel marks
// interrupted, or whose answer overflowed the socket, is started again from scratch (restart
// is called before every attempt) up to kDumpAttempts times. 0 or an errno value; EINTR when
// every attempt was interrupted.
std::uint32_t dump(std::uint16_t type, const void* familyHeader, std::size_t headerLength,
                   const MessageHandler& onMessage, const std::function<void()>& restart);

// Sends a prepared request (header flags get NLM_F_REQUEST|NLM_F_ACK added) and waits for
// the kernel's answer: 0, or its errno value. *sent, when given, tells whether the request
// reached the kernel.
std::uint32_t request(nlmsghdr* message, bool* sent = nullptr);

// Size of the buffers for building a request.
inline constexpr std::size_t kRequestBytes = 512;

}  // namespace netlink
