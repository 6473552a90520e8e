#pragma once
// The sample dialog's IPv6 side, apart from its window: what was typed checked and stored in
// samples6.dat, and the MAC the neighbour table shows for an address. Main thread.
#include "ipv6/samples6.h"
#include "scan/entry_dialogs.h"

// The longest address text the dialog takes: an IPv6 address with a zone "%N".
inline constexpr std::size_t kEntryIpv6TextMax = 56;

// The record of the three edits: every other field zero.
Address6Entry sample6FromTexts(const char* ipText, const char* macText, const char* hostName);
// An address that is neither an IPv6 address (a zone "%N" is read and dropped: a sample
// holds on every interface) nor a pattern such as "fe80::*", or one no station holds
// (multicast, ::, ::1, one of our own); a MAC as sampleFault checks it.
FieldFault sample6Fault(const Address6Entry& entry, bool emptyMac);
// The canonical address (a pattern in lower case), a MAC in the table's form.
Address6Entry canonicalSample6(const Address6Entry& entry);
// As storeSample, for Sample6List and samples6.dat.
SampleStore storeSample6(const Address6Entry& entry, int row, void (*select)(int row) = nullptr);
// The MAC of the address in the last check's neighbour table; false when it shows none.
bool neighbour6Mac(const char* ipText, char (&macText)[20]);
