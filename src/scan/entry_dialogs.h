#pragma once
// What the two address entry dialogs decide, apart from their windows: the length rules,
// writing a static entry, adding or replacing a sample, and the probes with their error
// lines. The dialogs show the texts returned here. Main thread.
#include <cstdint>
#include <string>

#include "base/address.h"

// Shortest texts the dialogs act on.
inline constexpr std::size_t kEntryIpMin = 7;    // IP text for OK and for the probes
inline constexpr std::size_t kEntryMacMin = 11;  // MAC text for OK; a sample may also use "*"

// The collected error lines of one probe of the sample dialog; room as the dialog had it.
inline constexpr std::size_t kProbeErrorsRoom = 88;

extern const char* const kNoMacText;  // the ARP entry dialog's probe without an answer
extern const char* const kNoMacLine;  // the sample dialog's lines, each ending in "\n"
extern const char* const kNoHostNameLine;

// --- the ARP entry dialog

enum class ArpEntryOutcome { Ignored, Written, Refused };
// OK: short texts write nothing; otherwise setStaticArpEntry.
ArpEntryOutcome addArpEntry(const char* ipText, const char* macText);
std::string arpEntryRefusedText(const char* ipText);

enum class MacRequest { Ignored, Found, NoAnswer };
// "Запрос. MAC": macText is set only when the address answered.
MacRequest requestMac(const char* ipText, char (&macText)[20]);

// --- the sample dialog

// The record of the three edits: every other field zero.
AddressEntry sampleFromTexts(const char* ipText, const char* macText, const char* hostName);

// NoMemory: the list could not grow; the IP text is not present, so no refusal may say so.
enum class SampleOutcome { Ignored, Duplicate, Added, Replaced, NoMemory };
struct SampleStore {
  SampleOutcome outcome;
  int row;  // the sample's row to select; -1 unless added or replaced
};
// OK: row < 0 adds (a present IP text refuses it), row >= 0 replaces that sample whole.
// A stored sample refills the samples list and rewrites samples.dat.
SampleStore storeSample(const AddressEntry& entry, int row);
std::string duplicateSampleText(const char* ipText);

struct AddressProbe {
  bool probed;  // false: the IP text was too short or no address; nothing else is set
  bool macFound;
  char macText[20];
  bool nameFound;
  char hostName[64];
  char errors[kProbeErrorsRoom];  // the lines of what was not found, MAC first; may be empty
};
// "Запрос. MAC и имя": the MAC and, whatever the settings say, the name.
AddressProbe requestMacAndName(const char* ipText);
