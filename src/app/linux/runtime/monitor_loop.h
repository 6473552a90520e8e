#pragma once
// The console's message loop: the one-second tick, route refreshes handed over by the
// route watch, checks on neighbour table changes (the IPv6 check on its rows' changes), the
// IPv6 routers on IPv6 route changes, wire bindings, and the stop request of a signal.
#include <cstdint>

#include "app/linux/runtime/main_queue.h"

// Runs checkTick when the tick is due (and no stop is pending).
void runDueTick();
// A check asked for by the neighbour table's changes (ARP or IPv6), when one is due.
void runTriggeredCheck();
// Decides a share of the wire bindings waiting, if any.
void runWireBatch();
void noteMainEvent(const MainEvent& e);
// The pump of the waits inside a route refresh: a pending stop, a due tick and the newest
// route count (one nested refresh at most), without blocking.
void pumpMainQueue();
// refreshRoutes with the nesting count kept.
void consoleRefreshRoutes(std::uint32_t changeNo);
// Until a stop request or a fatal error. True: a stop request (the shut-down is due).
bool runMonitorLoop();
