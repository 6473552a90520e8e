#pragma once
// The static ARP entries kept across restarts in statics.dat.

inline constexpr const char* kStaticsFile = "statics.dat";

// At shut-down, with SaveStat. A file that is there but could not be read (at the start, or
// now when the start did not read it) is journalled once and stays as it is.
void saveStatics();
void loadStatics();        // at start-up, with SaveStat
void forgetStaticsFile();  // a new run: the file has not been read
