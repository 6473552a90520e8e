#pragma once
// The sample list's file samples.dat and its operations.
#include <cstdint>

#include "base/address.h"

inline constexpr const char* kSamplesFile = "samples.dat";

// Counts changes of SampleList (added, removed, replaced, moved, sorted, learned), so a
// lookup kept across calls (the scan's sample index) knows when to build itself again.
extern std::uint64_t samplesChanged;
inline void noteSamplesChanged() { ++samplesChanged; }

extern int SelectedRow;  // the row an editor dialog or a move works on; -1 none

// Appends the file's samples; a missing file changes nothing. A file that is there but
// cannot be read whole is journalled once and left alone by every save of this run. A plain
// address is read into its dotted-decimal form. A line that holds no sample (an IP that is
// neither an address nor a pattern, a MAC that is neither a MAC nor a pattern, no MAC at
// all) is told and kept: every save writes it back as it was, in its place.
void loadSamples();
void saveSamples();  // rewrites the file whole (temporary file, then an atomic rename)
inline constexpr int kSampleNoMemory = -2;
// The new index; -1 when the IP text is present; kSampleNoMemory when the list cannot grow.
int addSample(const AddressEntry& entry);
void removeSample(int index);
void moveSampleUp();
void moveSampleDown();
