#pragma once
// The console's side of the scanner's hand-off seam: a worker's slot travels to the main
// thread through mainQueue, as the GUI's WM_USER+100 travels by SendMessage, and the worker
// waits until the main loop has handled it.
#include <cstdint>

// Worker thread: scanFrontEnd.handOff.
std::int32_t consoleScanHandOff(std::int32_t* slot);
// Main thread, for a ScanHandOff event: handleScanResult for the worker, then release it.
void runScanHandOff(void* request);
