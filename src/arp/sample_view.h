#pragma once
// The samples list as the user sees it: its rows, and the ARP list's names that follow them.

// Refills the samples list and renames the ARP list's entries after the current samples;
// run after every change of SampleList.
void showSamples();
// Sorts SampleList by a samples list column (0 IP, 1 MAC, 2 name), refills and marks it.
void sortSamples(int column);
