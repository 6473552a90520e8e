#pragma once
// `vetrel scan`: the scan page's run, stop and repeat, on a console.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/linux/command_line.h"

// Four decimal numbers from 0 to 255 joined by dots and nothing else; the value in host
// order (first number in the top byte). Stricter than the page's field, which reads junk as
// 0.0.0.0: a mistyped operand is refused, not scanned.
bool parseScanAddress(std::string_view text, std::uint32_t& hostOrder);

// The summary of a pass, for stderr.
std::string scanSummaryLine(bool interrupted, std::uint32_t found, std::uint32_t probed,
                            std::uint32_t total, double seconds);

int runScan(const CommandLine& cl);
