#pragma once
// Plays the front end's main thread for the scanner: workers hand their slot over and wait
// (as SendMessage waits), and the test handles the waiting hand-offs one at a time. Workers
// are joinable threads here, so a test ends only after its workers have.
#include <cstddef>
#include <cstdint>
#include <set>

// Fills scanFrontEnd with the queue and the thread starter; workers on the given slots fail
// to start.
void installScanMainThread(std::set<int> failingSlots = {});
// Joins every worker started since the install (they must have been told to end).
void joinScanWorkers();
// Waits at most 10 s until n workers wait for their hand-off.
bool waitForHandOffs(std::size_t n);
// Handles the waiting hand-off of the worker that probed index (waits for it at most 10 s);
// any waiting one when index is -1. Returns the index handled, -2 on time-out, or -3 when the
// hand-off was refused (the worker is then told to end).
int handleHandOff(int index = -1);
// Handles hand-offs until the pass has ended (at most 30 s); false on time-out.
bool runPassToEnd();
// Time spent in handleScanResult since the install, and how many calls.
double scanHandlerSeconds();
long scanHandlerCalls();
