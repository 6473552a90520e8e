#pragma once
// `vetrel settings`: its operands, KEY=VALUE assignments with the settings dialog's checks,
// event masks by number or name, and the printed form of the settings.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "forms/settings_form.h"
#include "settings/settings.h"

enum class SettingsMode { Show, Set, SetPassword };

struct SettingsOperands {
  SettingsMode mode = SettingsMode::Show;
  std::vector<std::string> assignments;  // Set: KEY=VALUE, in the order given
  std::string error;                     // non-empty: unusable
};
SettingsOperands parseSettingsOperands(const std::vector<std::string>& operands);

// What an edit did beside the values.
struct SettingsEditResult {
  std::string error;             // the first complaint; empty when every assignment applied
  bool failedCheck = false;      // the complaint is one of the dialog's own messages
  bool msgOnRouteNamed = false;  // MsgOnRoute was given (the monitor never writes it back)
};

// The settings dialog's refusal in the console's words (English, one line).
const char* settingsVerdictWords(SettingsVerdict verdict);

// Applies the assignments to s (values are Windows-1251 already), then the settings dialog's
// checks (checkSettingsForm) on the result, as its fields would show it.
SettingsEditResult applySettingsAssignments(Settings& s, const std::vector<std::string>& list);

// Whether one of the KEY=VALUE assignments names key, as applySettingsAssignments reads names.
bool assignmentsName(const std::vector<std::string>& list, std::string_view key);

// A mask as a decimal number or names joined by commas (numbers allowed among them), OR-ed.
// Names: the dialog's item texts in Windows-1251 or the kinds' names (Spoofing, NewAddress,
// AdditionalIp, RouteChange, ProgramError, MailError) in any case. Bits outside `offered`
// are refused. False with a complaint in error.
bool parseEventMask(std::string_view text, std::int32_t offered, std::int32_t& mask,
                    std::string& error);
// The item texts of the set bits, in the dialog's order, joined by ", ".
std::string eventMaskNames(std::int32_t mask);

enum class PasswordState { NotSet, Set, Unreadable };
// Every key with its effective value and the dialog's label, one per line (Windows-1251).
std::string formatSettingsReport(const Settings& s, PasswordState password);
// Values the dialog would not accept, one complaint each.
std::vector<std::string> settingsWarnings(const Settings& s);

// The syslog keys as quorel.ini holds them (outside Settings; empty: the default).
struct SyslogKeys {
  std::string SyslogServer, SyslogPort, SyslogProto, SyslogMask;
};
// Takes the Syslog* assignments (key names in any case) out of list into keys and checks the
// four together as the monitor reads them; SyslogMask also takes event names joined by commas
// (Info among them). The complaint names the key; empty when they apply. written gets the
// keys given, in the file's form, for the write.
std::string takeSyslogAssignments(std::vector<std::string>& list, SyslogKeys& keys,
                                  std::vector<std::pair<std::string, std::string>>& written);
// Their lines for `vetrel settings`, effective values with their labels.
std::string formatSyslogReport(const SyslogKeys& keys);
