#pragma once
// The settings dialog without its window: what its controls show, the event lists it
// offers, and its OK in order. The Windows dialog goes through applySettingsForm; the
// console's "settings set" uses the same checks and texts but stores by itself, since it
// runs while no monitor journals and changes autostart only after the file is written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/settings.h"

// One item of the two event lists: its text and its EventKind bit.
struct EventItem {
  const char* text;
  std::int32_t bit;
};

// In list order. The pop-up list (MsgMask) offers all six, the mail list (MailMask) the
// first five.
inline constexpr EventItem kEventItems[] = {
    {"подмена адреса", 4},       {"новый адрес", 16},     {"дополн. IP-адрес", 32},
    {"изменение маршрутов", 64}, {"ошибки программы", 2}, {"ошибки отправки почты", 256},
};
inline constexpr std::size_t kMsgMaskItems = 6;
inline constexpr std::size_t kMailMaskItems = 5;

// OR of the bits of the first itemCount items.
std::int32_t offeredBits(std::size_t itemCount);

// What the dialog's controls hold. Number fields are their texts as typed.
struct SettingsForm {
  bool AddNew = false, AddAddIp = false, CheckMac = false, Restore = false, BlockNew = false;
  bool HideMessageWindow = false;  // the inverse of ShowMsg
  bool WriteLog = false;
  std::string CheckInt, MaxScanThreads;
  bool SaveStat = false, RunOnStart = false, HideOnRun = false;
  bool MsgToMail = false;
  std::string MailTo, MailFrom, MailServer, MailPort, MailLogin, MailPassw;
  std::int32_t MsgMask = 0;   // OR of the ticked items of the pop-up list
  std::int32_t MailMask = 0;  // OR of the ticked items of the mail list
  bool WatchIpv6 = false;
};

// The form as the dialog opens on s: numbers as unsigned decimals, masks as they are (the
// lists tick the items whose bit the mask holds).
SettingsForm formFromSettings(const Settings& s);

// The unsigned reading of a number field: blanks around decimal digits; anything else, an
// empty text or a value past 32 bits reads as 0.
std::uint32_t readUnsignedField(const std::string& text);
std::string unsignedText(std::int32_t value);

enum class SettingsVerdict {
  Applied,
  BadThreadCount,
  BadInterval,
  Contradiction,
  BadMailPort,     // mail to be sent, a port outside 1 to 65535 that is not 0 (not set)
  NoMailServer,    // mail kinds ticked for sending, no server
  NoMailReceiver,  // mail kinds ticked for sending, no recipient
  TextTooLong,     // a mail text longer than its field holds
};
// The message for a verdict other than Applied (empty for Applied).
const char* settingsVerdictText(SettingsVerdict verdict);
// The dialog's message: the same, naming the field and the value where one is at fault.
std::string settingsRefusalText(SettingsVerdict verdict, const SettingsForm& form);

// A mail text and its label; each holds at most kMailTextMax characters.
struct MailTextField {
  const char* label;
  std::string SettingsForm::*field;
};
inline constexpr std::size_t kMailTextMax = 31;
// The first mail text, in the dialog's order, too long to be kept whole; nullptr for none.
const MailTextField* tooLongMailText(const SettingsForm& form);

// The checks, in the order of the verdicts, without storing anything. The mail checks follow
// the written three and apply only to mail to be sent (MsgToMail with a ticked kind): a port
// no connection can use, no server or no recipient would only fail at every send.
SettingsVerdict checkSettingsForm(const SettingsForm& form);

// OK's steps 1 to 9 on the global settings. A failed check stores nothing at all, so a
// cancel after any message leaves the settings as they were when the dialog opened.
// Otherwise: CheckInt stored only when it changed; the log switch journals its line on the
// right side of WriteLog; setAutostart only when RunOnStart changed; the mail fields under
// mailSettingsLock; bits the lists do not offer dropped from both masks; WatchIpv6 switched
// off forgets the IPv6 watch (resetIpv6Watch) and empties the neighbours list. Main thread.
SettingsVerdict applySettingsForm(const SettingsForm& form);
