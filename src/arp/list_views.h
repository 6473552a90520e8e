#pragma once
#include <cstdint>
// Refills of the list views from the address lists, and the column sorts.

void showCacheList();  // CacheList into the ARP list: IP, MAC, type, name
void showSamples();  // SampleList into the samples list, then "Образцы: %u" in status part 1
// Counts showSamples calls. Every change of SampleList is shown, so a lookup kept across
// calls (the scan's sample index) knows from it that the list may have changed.
extern std::uint64_t samplesShown;
void refillScanList();  // ScanResults with probeState > 0: IP, MAC, name

// Sorts CacheList by an ARP list column (0 IP, 1 MAC, 2 type descending, 3 name), refills
// and marks the column. Any other column sorts nothing.
void sortCacheList(int column);
// Sorts SampleList by a samples list column (0 IP, 1 MAC, 2 name), refills and marks it.
void sortSamples(int column);
