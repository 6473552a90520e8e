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
// Whether the rows dumped so far already agree with a change event heard meanwhile.
using EventCheck = std::function<bool(const nlmsghdr*)>;

inline constexpr int kDumpAttempts = 5;

// Dumps type (RTM_GETNEIGH, ...) with the family header given (its first byte the family).
// The kernel walks some tables (the neighbour table among them) without marking a dump that
// changes cut through, and such a dump can skip or repeat rows. So, besides a dump marked
// interrupted or one whose answer overflowed the socket, a dump during which changeGroup
// (RTNLGRP_NEIGH, ...) announced a change of the same family is started again from scratch
// (restart is called before every attempt), up to kDumpAttempts times; an event that agrees
// says the change is already in the rows (a state change that moves no row, say) and spoils
// nothing. 0 or an errno value: EAGAIN, EINTR or ENOBUFS when every attempt was spoilt.
std::uint32_t dump(std::uint16_t type, const void* familyHeader, std::size_t headerLength,
                   unsigned changeGroup, const MessageHandler& onMessage,
                   const std::function<void()>& restart, const EventCheck& agrees = nullptr);

// Sends a prepared request (header flags get NLM_F_REQUEST|NLM_F_ACK added) and waits for
// the kernel's answer: 0, or its errno value. *sent, when given, tells whether the request
// reached the kernel.
std::uint32_t request(nlmsghdr* message, bool* sent = nullptr);

// Joins group and blocks for the rest of the run, calling onMessage for every message heard
// and onOverrun when the socket's buffer ran over (ENOBUFS: messages were lost). Returns only
// on a failure: its errno value.
std::uint32_t listen(unsigned group, const MessageHandler& onMessage,
                     const std::function<void()>& onOverrun);

// Size of the buffers for building a request.
inline constexpr std::size_t kRequestBytes = 512;

}  // namespace netlink
