#pragma once
// Helpers of the backend lab: the lab's names, shell commands inside the namespace, and the
// ARP table read as the logic reads it.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/arp_platform.h"

inline constexpr const char* kIf1 = "lbh1";  // 10.77.1.1/24, peer 10.77.1.2
inline constexpr const char* kIf2 = "lbh2";  // 10.77.2.1/24, peer 10.77.2.2

std::uint32_t ifIndex(const char* name);
std::uint32_t ipn(const char* dotted);  // network order
std::string dotted(std::uint32_t networkOrder);

int sh(const std::string& command);               // exit status
std::string capture(const std::string& command);  // stdout

// The table through the size query and a second call; error gets the result.
std::vector<ArpRow> readRows(bool sorted, std::uint32_t& error);
const ArpRow* findRow(const std::vector<ArpRow>& rows, const char* ip, std::uint32_t ifIndex);

void flushNeighbours();  // every IPv4 neighbour, permanent ones included
