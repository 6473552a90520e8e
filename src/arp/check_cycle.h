#pragma once
// The one-second tick and the ARP check it runs every CheckInt ticks.
#include <cstdint>

extern std::int32_t checkCountdown;  // the shell sets it to 1 at start-up
extern bool checkStarShown;
extern std::int32_t arpErrorCount;

void checkTick();
void runCheck();

// Gives the ARP list's entries the names the current samples give them, and refills the
// list when one changed; run whenever the samples change.
void refreshCacheNames();

// The generator of the block byte, seeded at start-up with the main window's handle.
void seedCheckRandom(std::uint32_t seed);
std::uint8_t nextCheckRandomByte();

// Forget the state between checks (tests, and a restart of the cycle).
void resetCheckCycle();
