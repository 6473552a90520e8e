#pragma once
// The static ARP entries kept across restarts in statics.dat.

inline constexpr const char* kStaticsFile = "statics.dat";

void saveStatics();  // at shut-down, with SaveStat
void loadStatics();  // at start-up, with SaveStat
