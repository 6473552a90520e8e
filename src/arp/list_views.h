#pragma once
// Refills of the list views from the address lists, and the column sorts.
#include <string_view>

struct AddressEntry;

void showCacheList();  // CacheList into the ARP list: IP, MAC, type, name
// SampleList into the samples list, then "Образцы: %u" in status part 1; the ARP list's
// names follow the samples through showSamples (sample_view.h).
void showSampleRows();
void refillScanList();                     // ScanResults with probeState > 0: IP, MAC, name
int appendScanRow(const AddressEntry& e);  // one such row; its index, or -1

// The cells a list that reads its rows when it draws them shows: row of CacheList (IP, MAC,
// type, name) or of SampleList (IP, MAC, name); empty beyond the list.
std::string_view cacheListCell(int row, int column);
std::string_view sampleListCell(int row, int column);

// Sorts CacheList by an ARP list column (0 IP, 1 MAC, 2 type descending, 3 name), refills
// and marks the column. Any other column sorts nothing.
void sortCacheList(int column);
