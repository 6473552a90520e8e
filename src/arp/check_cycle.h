#pragma once
// The one-second tick and the ARP check it runs every CheckInt ticks.
#include <cstdint>
#include <vector>

#include "base/address.h"
#include "platform/arp_platform.h"

extern std::int32_t checkCountdown;  // the shell sets it to 1 at start-up
extern bool checkStarShown;
extern std::int32_t arpErrorCount;

void checkTick();
void runCheck();
struct ArpRead;
// The check over a table the front end read aside (uiHooks.readTableAside): read is that
// read's result, arpSnapshot holds its rows.
void finishCheck(const ArpRead& read);

// Gives the ARP list's entries the names the current samples give them, and refills the
// list when one changed; run whenever the samples change.
void refreshCacheNames();

// The generator of the block byte (1 to 255), seeded at start-up with the main window's handle.
void seedCheckRandom(std::uint32_t seed);
std::uint8_t nextCheckRandomByte();

// Forget the state between checks (tests, and a restart of the cycle).
void resetCheckCycle();

// A binding met outside a table read (on the wire) and the row a restore or a block writes
// for it (its interface and address).
struct OutsideBinding {
  AddressEntry entry;
  ArpRow row;
  bool rewritten = false;  // set: a restore or a block wrote entry's new binding
};
// Decides each binding as a check decides a changed row: the same comparison with the
// samples, the same lines and actions; learned samples are saved once at the end. Unlike a
// table row, one off the interface's subnets is never learned or blocked, and learning and
// blocking spend the wire's bounds (nowSeconds: a steady clock).
void decideOutsideBindings(std::vector<OutsideBinding>& bindings, double nowSeconds);
