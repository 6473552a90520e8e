#pragma once
// Probing one address. Windows: SendARP and gethostbyaddr. Linux: an ARP request from the
// interface whose subnet holds the address, answered on a packet socket (needs CAP_NET_RAW);
// getnameinfo with NI_NAMEREQD.
// A Linux reply counts only when it answers our request: sent to our interface's MAC and
// address, after the request, from a unicast sender MAC.
// Linux sendArp results: 0 (our own address answers with our own MAC); ETIMEDOUT after 3
// requests without an answer (waits of 100, 150 and 250 ms); ENETUNREACH when no local subnet holds
// the address; EOPNOTSUPP for a loopback or non-Ethernet interface; EPERM without CAP_NET_RAW;
// ENODEV, socket and netlink errno values otherwise.
// Under Wine 8 SendARP answers 50. On Windows the name lookup finds nothing before
// startSockets.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {
// 0 when the address answered; mac then holds what the system filled (the rest untouched).
std::uint32_t sendArp(std::uint32_t destNetworkOrder, std::uint8_t (&mac)[8],
                      std::uint32_t& length);
// The host's official name; false when the lookup finds none.
bool getHostByAddr(std::uint32_t addressNetworkOrder, std::string& name);
// The character set of those names: UTF-8 on Linux (the resolver's and /etc/hosts' bytes);
// on Windows the ANSI code page, the program's own on a Russian system.
#ifdef _WIN32
inline constexpr bool kHostNamesInUtf8 = false;
#else
inline constexpr bool kHostNamesInUtf8 = true;
#endif

// Linux: the requests of a whole scan pass go out ahead of its probes, paced, from one sweep
// thread that also reads every reply; sendArp of an address of the sweep then waits for that
// address's outcome instead of asking on its own. Replaces a sweep still running; addresses
// it cannot ask are left to sendArp. Windows: nothing (SendARP asks address by address).
void beginArpSweep(const std::vector<std::uint32_t>& addressesNetworkOrder);
// After a stop: requests only for the addresses that a probe waits for.
void narrowArpSweep();
// The sweep's thread and sockets end; later probes ask on their own.
void endArpSweep();

// Linux: probes and sweeps ask from the interface ifIndex only (0: from whichever interface's
// subnet holds the address); an address off its subnets then gives ENETUNREACH. Windows:
// nothing (SendARP chooses).
void restrictArpInterface(std::uint32_t ifIndex);

// An address that answered a sweep with a second MAC after the first, which the probe kept.
struct ArpConflict {
  std::uint32_t address;  // network order
  std::uint8_t keptMac[6];
  std::uint8_t otherMac[6];
};
// Linux: the conflicts the sweeps heard since the last call, each address once a pass.
// Windows: SendARP gives one answer and shows no other, so there are none to take.
std::vector<ArpConflict> takeArpConflicts();
}  // namespace platform
