#pragma once
// What loading samples.dat has to tell the user: lines that hold no sample, and samples whose
// MAC names no host on an address that is a host's. Told once per change of what there is to
// tell, not at every start: the stamp of the last telling is kept in quorel.ini.
#include <string>
#include <string_view>
#include <vector>

#include "base/address.h"

// Why the sample's MAC cannot be its address's binding, or null when it can be: a real MAC,
// none (the address is only known), a pattern, a group MAC on a group address, the
// broadcast MAC on a broadcast address (the system's own rows for them). Such a sample
// contradicts nothing and is never restored either way.
const char* sampleMacMisfit(const AddressEntry& sample);

// Why a line of samples.dat is no sample (its text as read, without the line end), or null
// for a sample. Such a line is kept as written and used for nothing.
const char* sampleLineFault(std::string_view ip, std::string_view mac, bool macPresent);

// The journal text of a line kept as written (number from 1) and of a sample whose MAC misfits.
std::string unreadLineNote(std::size_t lineNumber, std::string_view text, const char* why);
std::string macMisfitNote(const AddressEntry& sample, const char* why);

// Journals the notes as program errors (a bounded number of lines) unless they are what was
// told last, and keeps their stamp for the next start. Without a settings file it tells.
void tellSampleNotes(const std::vector<std::string>& notes);

// The key of quorel.ini that holds the stamp.
inline constexpr const char* kSamplesToldKey = "SamplesTold";
