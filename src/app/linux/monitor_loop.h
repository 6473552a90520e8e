#pragma once
// The console's message loop: the one-second tick, route refreshes handed over by the
// route watch, and the stop request of a signal.
#include <cstdint>

// Runs checkTick when the tick is due (and no stop is pending).
void runDueTick();
// The pump of the waits inside a route refresh: a pending stop, a due tick and the newest
// route count (one nested refresh at most), without blocking.
void pumpMainQueue();
// refreshRoutes with the nesting count kept.
void consoleRefreshRoutes(std::uint32_t changeNo);
// Until a stop request or a fatal error. True: a stop request (the shut-down is due).
bool runMonitorLoop();
