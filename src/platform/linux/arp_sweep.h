#pragma once
// The running ARP sweep as the single probe sees it.
#include <cstdint>

// When a sweep covers dest: waits until the sweep has settled it and answers true, with
// result 0 and mac filled, or ETIMEDOUT. False when no sweep covers dest (or the sweep ended
// meanwhile): the caller asks on its own.
bool waitForSweep(std::uint32_t destNetworkOrder, std::uint8_t (&mac)[6], std::uint32_t& result);
