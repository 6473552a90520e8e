#pragma once
// IPv6 bindings: the record of the IPv6 lists, the reference bindings of samples6.dat (the
// same line format as samples.dat, with IPv6 text) and the neighbours the last check read.
#include <cstdint>
#include <string_view>
#include <vector>

struct Address6Entry {
  char ipText[46];   // canonical IPv6 text, or (samples) a pattern such as "fe80::*"
  char macText[20];  // "xx-xx-xx-xx-xx-xx"; samples: any form readMacText reads, a pattern or empty
  char typeText[4];  // as AddressEntry's; empty in samples
  char hostName[64];
  std::uint32_t ifIndex;  // neighbours: the interface; samples: 0
  bool router;            // neighbours: it says it is a router
};
using Address6List = std::vector<Address6Entry>;

extern Address6List Sample6List;
extern Address6List Neighbour6List;  // the last check's neighbours, in the table's order

inline constexpr const char* kSamples6File = "samples6.dat";

Address6Entry makeEntry6();  // all zero

// Appends the file's samples (a missing file changes nothing); lines that hold no sample are
// told once and written back in their place, as samples.dat's are. A plain address is read
// into its canonical form.
void loadSamples6();
// Temporary file and atomic rename; nothing when the list is as the file last held it, or
// when this run has not read the file (loadSamples6) yet.
void saveSamples6();
// The new index; -1 when the address is present already; -2 when the list cannot grow.
int addSample6(const Address6Entry& entry);
void removeSample6(int index);
// The first sample whose address (or pattern) matches the canonical text; -1 none.
int findSample6(std::string_view ipText);
// Whether a sample of either list names this MAC (IPv4 samples included).
bool sampleNamesMac(std::string_view macText);
