#pragma once
// What the two address entry dialogs decide, apart from their windows: the length rules,
// the checks of what was typed, writing a static entry, adding or replacing a sample, and
// the probes with their error lines. The dialogs show the texts returned here. Main thread.
#include <cstdint>
#include <string>

#include "base/address.h"

// Shortest texts the dialogs act on.
inline constexpr std::size_t kEntryIpMin = 7;    // IP text for OK and for the probes
inline constexpr std::size_t kEntryMacMin = 11;  // MAC text for OK; a sample may also use "*"

// The collected error lines of one probe of the sample dialog; room as the dialog had it.
inline constexpr std::size_t kProbeErrorsRoom = 88;
// A probed name is shown whole; the sample keeps what its field holds.
inline constexpr std::size_t kProbeNameRoom = 256;

extern const char* const kNoMacText;  // the ARP entry dialog's probe without an answer
extern const char* const kNoMacLine;  // the sample dialog's lines, each ending in "\n"
extern const char* const kNoHostNameLine;

// A field that holds no value of its kind: which one, and the message naming it.
enum class EntryField { None, Ip, Mac };
struct FieldFault {
  EntryField field;
  std::string text;  // "Неверный IP-адрес: ..." or "Неверный MAC-адрес: ..."; empty for None
};

// --- the ARP entry dialog

enum class ArpEntryOutcome { Ignored, Written, Refused, Invalid };
// OK: short texts write nothing; a pair that is no unicast address with a real MAC is
// Invalid (arpEntryFault says why); otherwise setStaticArpEntry.
ArpEntryOutcome addArpEntry(const char* ipText, const char* macText);
FieldFault arpEntryFault(const char* ipText, const char* macText);
std::string arpEntryRefusedText(const char* ipText);

enum class MacRequest { Ignored, Found, NoAnswer, Invalid };
// "Запрос. MAC": macText is set only when the address answered. The IP text is read as OK
// reads it: one OK refuses is Invalid and asked for nothing, and the dialog shows OK's
// message for it (arpEntryFault).
MacRequest requestMac(const char* ipText, char (&macText)[20]);

// Whether a probe of this text would ask the network (the wait cursor is shown for it).
bool probeAsks(const char* ipText);

// --- the sample dialog

// The record of the three edits: every other field zero.
AddressEntry sampleFromTexts(const char* ipText, const char* macText, const char* hostName);

// An IP that is neither an address nor a pattern, a MAC that is neither a unicast MAC nor a
// pattern; emptyMac lets an empty MAC through (a row found by name alone).
FieldFault sampleFault(const AddressEntry& entry, bool emptyMac);
// A plain address in dotted decimal, a MAC in the table's form; patterns as typed.
AddressEntry canonicalSample(const AddressEntry& entry);

// NoMemory: the list could not grow; the IP text is not present, so no refusal may say so.
enum class SampleOutcome { Ignored, Invalid, Duplicate, Added, Replaced, NoMemory };
struct SampleStore {
  SampleOutcome outcome;
  int row;           // the sample's row to select; -1 unless added or replaced
  FieldFault fault;  // Invalid: which field and why
};
// OK: row < 0 adds (a present address refuses it), row >= 0 replaces that sample whole.
// A stored sample refills the samples list, is selected by select (when given) and then
// rewrites samples.dat.
SampleStore storeSample(const AddressEntry& entry, int row, void (*select)(int row) = nullptr);
std::string duplicateSampleText(const char* ipText);

struct AddressProbe {
  bool probed;       // false: nothing was asked; only fault may be set
  FieldFault fault;  // an IP text OK refuses, with OK's message
  bool macFound;
  char macText[20];
  bool nameFound;
  char hostName[kProbeNameRoom];
  char errors[kProbeErrorsRoom];  // the lines of what was not found, MAC first; may be empty
};
// "Запрос. MAC и имя": the MAC and, whatever the settings say, the name. The IP text is read
// as OK reads it: a text OK refuses gets OK's message; a pattern and 0.0.0.0, which OK takes
// but which name no host to ask, ask nothing and show nothing.
AddressProbe requestMacAndName(const char* ipText);
