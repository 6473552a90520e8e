#pragma once
// `vetrel neighbours`: the IPv6 neighbour table as the IPv6 tab shows it.
#include <string>
#include <vector>

#include "app/linux/command_line.h"
#include "platform/neighbour6_platform.h"

// A header line and a line per neighbour with a MAC and a unicast address: address, MAC, type
// ("с" permanent, "д" learned), interface name (its index when it has none), "да" for a
// router, the name the samples give it. Columns left-aligned to their widest cell, two blanks
// between them, no blanks at a line's end; lines end in "\n". Windows-1251.
std::string formatNeighbourTable(const std::vector<Neighbour6Row>& rows);

int runNeighbours(const CommandLine& cl);
