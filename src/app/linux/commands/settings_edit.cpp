#include "app/linux/commands/settings_edit.h"

#include <cstdint>
#include <limits>

#include "base/text_field.h"
#include "forms/settings_form.h"
#include "report/event_text.h"
#include "report/journal.h"
#include "report/syslog_settings.h"

namespace {

// The kinds' names, which scripts may use beside the dialog's item texts.
struct EventName {
  std::int32_t bit;
  const char* name;
};
constexpr EventName kEventNames[] = {
    {4, "Spoofing"},     {16, "NewAddress"},  {32, "AdditionalIp"},
    {64, "RouteChange"}, {2, "ProgramError"}, {256, "MailError"},
};

const char* eventName(std::int32_t bit) {
  for (const EventName& e : kEventNames)
    if (e.bit == bit) return e.name;
  return "";
}

// The label each key has in the dialog, or what it is when the dialog lacks it: the listing
// speaks the dialog's language throughout.
struct KeyLabel {
  const char* key;
  const char* label;
};
constexpr KeyLabel kLabels[] = {
    {"AddNew", "Пополнять образцы"},
    {"CheckMac", "Сверять с образцами"},
    {"Restore", "Восстанавливать MAC при подмене"},
    {"AddAddIp", "Разрешить несколько IP на MAC"},
    {"BlockNew", "Подменять MAC для новых IP"},
    {"ShowMsg", "0 = \"Не показывать окно сообщений\""},
    {"WriteLog", "Запись в лог-файл"},
    {"SaveStat", "Сохранять статические записи"},
    {"RunOnStart", "Запускать при старте системы"},
    {"HideOnRun", "Скрывать при запуске"},
    {"ScanGetName", "Запрашивать имена (медленнее)"},
    {"ScanCheckMac", "Опрос: Сверять с образцами"},
    {"CheckInt", "Проверять кэш через: ... сек. (2 - 60)"},
    {"MaxScanThreads", "Кол-во потоков опроса: (1 - 16)"},
    {"MsgToMail", "Сообщать по почте"},
    {"MailTo", "Кому:"},
    {"MailFrom", "От:"},
    {"MailServer", "Сервер:"},
    {"MailPort", "Порт:"},
    {"MailLogin", "Логин:"},
    {"MailPassw", "Пароль: (vetrel settings set-password)"},
    {"MsgOnRoute", "Сообщать об изменениях таблицы маршрутов (нет в окне настроек)"},
    {"SendMailInt", "Пауза перед отправкой почты, сек. (нет в окне настроек)"},
    {"MsgMask", "Показывать сообщения при событиях:"},
    {"MailMask", "Сообщать о событиях:"},
    {"WatchIpv6", "IPv6: соседи, маршрутизаторы, DHCPv6 и DNS"},
};

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool allDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Decimal digits with an optional sign, within int32.
bool parseSigned(std::string_view s, std::int64_t low, std::int64_t high, std::int32_t& out) {
  const bool negative = !s.empty() && s.front() == '-';
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
  if (!allDigits(s) || s.size() > 10) return false;
  std::int64_t v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  if (negative) v = -v;
  if (v < low || v > high) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

}  // namespace

const char* settingsVerdictWords(SettingsVerdict verdict) {
  switch (verdict) {
    case SettingsVerdict::BadThreadCount:
      return "MaxScanThreads must be from 1 to 16";
    case SettingsVerdict::BadInterval:
      return "CheckInt must be from 2 to 60 seconds";
    case SettingsVerdict::Contradiction:
      return "AddNew=1 and BlockNew=1 contradict each other: a new host is learned or blocked";
    case SettingsVerdict::BadMailPort:
      return "MailPort must be 0 (not set) or from 1 to 65535";
    case SettingsVerdict::NoMailServer:
      return "mail (MsgToMail=1 with a MailMask) needs MailServer";
    case SettingsVerdict::NoMailReceiver:
      return "mail (MsgToMail=1 with a MailMask) needs MailTo";
    case SettingsVerdict::TextTooLong:
      return "MailTo, MailFrom, MailServer, MailLogin and MailPassw hold at most 31 characters";
    case SettingsVerdict::Applied:
      break;
  }
  return "";
}

namespace {

// The dialog's own checks, on the values as its fields would show them.
SettingsVerdict dialogVerdict(const Settings& s) { return checkSettingsForm(formFromSettings(s)); }

const SettingKey* findKey(std::string_view name) {
  for (const SettingKey& k : settingKeys())
    if (sameWord(name, k.name)) return &k;
  return nullptr;
}

std::string applyOne(Settings& s, const SettingKey& k, std::string_view value) {
  const std::string name = k.name;
  const std::string quotedValue = "'" + std::string(value) + "'";
  switch (k.kind) {
    case SettingKind::Bool:
    case SettingKind::ReadOnlyBool:
      if (value != "1" && value != "0") return name + " takes 1 or 0, not " + quotedValue;
      s.*k.b = value == "1";
      return {};
    case SettingKind::Int: {
      std::int32_t v = 0;
      if (name == "CheckInt" || name == "MaxScanThreads") {
        // As the dialog reads its number fields: anything but a number is 0, which the
        // range check then refuses.
        s.*k.i = static_cast<std::int32_t>(readUnsignedField(std::string(value)));
      } else if (name == "MsgMask" || name == "MailMask") {
        std::string error;
        const std::int32_t offered =
            offeredBits(name == "MsgMask" ? kMsgMaskItems : kMailMaskItems);
        if (!parseEventMask(value, offered, v, error)) return name + ": " + error;
        s.*k.i = v;
      } else if (name == "MailPort") {
        if (!allDigits(value) || !parseSigned(value, 0, 65535, v))
          return name + " takes a port number from 1 to 65535 (0: not set, 25), not " + quotedValue;
        s.*k.i = v;
      } else {
        if (!parseSigned(value, std::numeric_limits<std::int32_t>::min(),
                         std::numeric_limits<std::int32_t>::max(), v))
          return name + " takes a whole number, not " + quotedValue;
        s.*k.i = v;
      }
      return {};
    }
    case SettingKind::Text:
      if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return name + " cannot hold a line break";
      if (value.size() > sizeof(s.*k.t) - 1)
        return name + " holds at most " + std::to_string(sizeof(s.*k.t) - 1) + " characters";
      copyField(s.*k.t, value);
      return {};
    case SettingKind::Password:
      return name +
             " is stored sealed: set it with 'vetrel settings set-password', which "
             "never shows it on a command line";
  }
  return {};
}

}  // namespace

SettingsOperands parseSettingsOperands(const std::vector<std::string>& operands) {
  SettingsOperands r;
  if (operands.empty()) return r;
  if (operands[0] == "set-password") {
    r.mode = SettingsMode::SetPassword;
    if (operands.size() > 1) r.error = "unexpected argument '" + operands[1] + "'";
    return r;
  }
  if (operands[0] != "set") {
    r.error = "unknown settings action '" + operands[0] + "' (set or set-password)";
    return r;
  }
  r.mode = SettingsMode::Set;
  r.assignments.assign(operands.begin() + 1, operands.end());
  if (r.assignments.empty()) r.error = "set needs at least one KEY=VALUE";
  for (const std::string& a : r.assignments)
    if (a.find('=') == std::string::npos) {
      r.error = "expected KEY=VALUE, not '" + a + "'";
      break;
    }
  return r;
}

SettingsEditResult applySettingsAssignments(Settings& s, const std::vector<std::string>& list) {
  SettingsEditResult r;
  for (const std::string& a : list) {
    const std::size_t eq = a.find('=');
    if (eq == std::string::npos) {
      r.error = "expected KEY=VALUE, not '" + a + "'";
      return r;
    }
    const std::string_view name = trimmed(std::string_view(a).substr(0, eq));
    const SettingKey* k = findKey(name);
    if (!k) {
      r.error = "unknown setting '" + std::string(name) + "' (see 'vetrel settings')";
      return r;
    }
    r.error = applyOne(s, *k, std::string_view(a).substr(eq + 1));
    if (!r.error.empty()) return r;
    if (k->kind == SettingKind::ReadOnlyBool) r.msgOnRouteNamed = true;
  }
  const SettingsVerdict verdict = dialogVerdict(s);
  if (verdict != SettingsVerdict::Applied) {
    r.error = settingsVerdictWords(verdict);
    r.failedCheck = true;
  }
  return r;
}

bool assignmentsName(const std::vector<std::string>& list, std::string_view key) {
  for (const std::string& a : list)
    if (sameWord(trimmed(std::string_view(a).substr(0, a.find('='))), key)) return true;
  return false;
}

bool parseEventMask(std::string_view text, std::int32_t offered, std::int32_t& mask,
                    std::string& error) {
  std::int32_t result = 0;
  text = trimmed(text);
  if (text.empty()) {
    error = "give a number or event names joined by commas";
    return false;
  }
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view item = trimmed(text.substr(0, comma));
    std::int32_t bits = -1;
    if (allDigits(item)) {
      if (!parseSigned(item, 0, std::numeric_limits<std::int32_t>::max(), bits)) bits = -1;
    } else {
      for (const EventItem& e : kEventItems)
        if (item == e.text || sameWord(item, eventName(e.bit))) bits = e.bit;
    }
    if (bits < 0) {
      std::string names;
      for (const EventItem& e : kEventItems)
        if (e.bit & offered) names += std::string(names.empty() ? "" : ", ") + eventName(e.bit);
      error = "'" + std::string(item) + "' is neither a number nor an event (" + names + ")";
      return false;
    }
    result |= bits;
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (result & ~offered) {
    error = "bits " + std::to_string(result & ~offered) + " are not events this list offers (" +
            std::to_string(offered) + " = all of them)";
    return false;
  }
  mask = result;
  return true;
}

std::string eventMaskNames(std::int32_t mask) {
  std::string out;
  for (const EventItem& e : kEventItems)
    if (mask & e.bit) out += std::string(out.empty() ? "" : ", ") + e.text;
  return out;
}

std::string formatSettingsReport(const Settings& s, PasswordState password) {
  std::string out;
  for (const SettingKey& k : settingKeys()) {
    std::string line = std::string(k.name) + "=";
    switch (k.kind) {
      case SettingKind::Bool:
      case SettingKind::ReadOnlyBool:
        line += s.*k.b ? "1" : "0";
        break;
      case SettingKind::Int:
        line += std::to_string(s.*k.i);
        break;
      case SettingKind::Text:
        line += fieldView(s.*k.t);
        break;
      case SettingKind::Password:
        line += password == PasswordState::Set      ? "<set>"
                : password == PasswordState::NotSet ? "<not set>"
                                                    : "<stored, cannot be decrypted here>";
        break;
    }
    std::string label;
    for (const KeyLabel& l : kLabels)
      if (sameWord(l.key, k.name)) label = l.label;
    if (k.i == &Settings::MsgMask || k.i == &Settings::MailMask)
      label += " " + eventMaskNames(s.*k.i);
    if (label.empty())
      label = k.name[0] == 'W' ? "Главное окно (Windows)" : "Окно сообщений (Windows)";
    if (line.size() < 24) line.append(24 - line.size(), ' ');
    out += line + "  " + label + "\n";
  }
  return out;
}

std::vector<std::string> settingsWarnings(const Settings& s) {
  std::vector<std::string> w;
  // Each check on its own: the dialog stops at the first, a reader wants them all.
  SettingsForm form = formFromSettings(s);
  if (checkSettingsForm(form) == SettingsVerdict::BadThreadCount)
    w.push_back("MaxScanThreads=" + std::to_string(s.MaxScanThreads) + ": " +
                settingsVerdictWords(SettingsVerdict::BadThreadCount));
  form.MaxScanThreads = "1";
  if (checkSettingsForm(form) == SettingsVerdict::BadInterval)
    w.push_back("CheckInt=" + std::to_string(s.CheckInt) + ": " +
                settingsVerdictWords(SettingsVerdict::BadInterval));
  form.CheckInt = "2";
  if (checkSettingsForm(form) == SettingsVerdict::Contradiction)
    w.push_back(std::string("AddNew=1, BlockNew=1: ") +
                settingsVerdictWords(SettingsVerdict::Contradiction));
  form.BlockNew = false;
  if (const SettingsVerdict mail = checkSettingsForm(form); mail != SettingsVerdict::Applied)
    w.push_back(std::string(mail == SettingsVerdict::BadMailPort ? "MailPort=" : "mail: ") +
                (mail == SettingsVerdict::BadMailPort ? std::to_string(s.MailPort) + ": " : "") +
                settingsVerdictWords(mail));
  const std::pair<const char*, std::int32_t> masks[] = {
      {"MsgMask", s.MsgMask & ~offeredBits(kMsgMaskItems)},
      {"MailMask", s.MailMask & ~offeredBits(kMailMaskItems)}};
  for (const auto& [name, extra] : masks)
    if (extra)
      w.push_back(std::string(name) + " holds bits its event list does not offer (" +
                  std::to_string(extra) + "); the settings dialog drops them");
  return w;
}

namespace {

struct SyslogKey {
  const char* name;
  std::string SyslogKeys::*value;
  const char* takes;  // what a refusal says the key takes
  const char* label;
};
constexpr SyslogKey kSyslogKeys[] = {
    {"SyslogServer", &SyslogKeys::SyslogServer,
     "a host name or dotted address (letters, digits, '-', '.', '_'), or nothing for no syslog",
     "Сервер syslog (пусто: не посылать)"},
    {"SyslogPort", &SyslogKeys::SyslogPort, "a port number from 1 to 65535", "Порт syslog"},
    {"SyslogProto", &SyslogKeys::SyslogProto, "udp or tcp", "Протокол syslog: udp или tcp"},
    {"SyslogMask", &SyslogKeys::SyslogMask,
     "a number or event names joined by commas (Info, Spoofing, NewAddress, AdditionalIp, "
     "RouteChange, ProgramError, MailError)",
     "Посылать в syslog события:"},
};

// Names as parseEventMask reads them, Info beside them.
bool readSyslogMask(std::string_view text, std::string& number) {
  std::int32_t mask = 0, info = 0;
  std::string items, error;
  for (std::string_view rest = text;;) {
    const std::size_t comma = rest.find(',');
    const std::string_view item = trimmed(rest.substr(0, comma));
    if (sameWord(item, "Info"))
      info = Info;
    else
      items += std::string(items.empty() ? "" : ",") + std::string(item);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  if (!items.empty() && !parseEventMask(items, kAllEventKinds, mask, error)) return false;
  number = std::to_string(mask | info);
  return true;
}

}  // namespace

std::string takeSyslogAssignments(std::vector<std::string>& list, SyslogKeys& keys,
                                  std::vector<std::pair<std::string, std::string>>& written) {
  std::vector<std::string> rest;
  for (std::string& a : list) {
    const std::size_t eq = a.find('=');
    const std::string_view name = trimmed(std::string_view(a).substr(0, eq));
    const SyslogKey* key = nullptr;
    for (const SyslogKey& k : kSyslogKeys)
      if (eq != std::string::npos && sameWord(name, k.name)) key = &k;
    if (!key) {
      rest.push_back(std::move(a));
      continue;
    }
    std::string value = a.substr(eq + 1);
    if (key->value == &SyslogKeys::SyslogMask && !allDigits(value) && !value.empty() &&
        !readSyslogMask(value, value))
      return std::string(key->name) + " takes " + key->takes + ", not '" + a.substr(eq + 1) + "'";
    keys.*key->value = value;
    written.emplace_back(key->name, value);
  }
  list = std::move(rest);
  SyslogSettings parsed;
  std::string problem;
  if (parseSyslogSettings(keys.SyslogServer, keys.SyslogPort, keys.SyslogProto, keys.SyslogMask,
                          parsed, problem))
    return {};
  for (const SyslogKey& k : kSyslogKeys)
    if (problem.find(std::string(k.name) + "=") != std::string::npos)
      return std::string(k.name) + " takes " + k.takes + ", not '" + keys.*k.value + "'";
  return problem;
}

std::string formatSyslogReport(const SyslogKeys& keys) {
  const SyslogKeys defaults{"", "514", "udp", std::to_string(kAllEventKinds)};
  std::string out;
  for (const SyslogKey& k : kSyslogKeys) {
    const std::string& value = (keys.*k.value).empty() ? defaults.*k.value : keys.*k.value;
    std::string line = std::string(k.name) + "=" + value;
    std::string label = k.label;
    if (k.value == &SyslogKeys::SyslogMask) {
      std::int32_t mask = 0;
      if (parseSigned(value, 0, kAllEventKinds, mask)) {
        const std::string names = eventMaskNames(mask);
        label += std::string(mask & Info ? " сведения" : "") +
                 (mask & Info && mask & ~Info ? "," : "") + (names.empty() ? "" : " " + names);
      }
    }
    if (line.size() < 24) line.append(24 - line.size(), ' ');
    out += line + "  " + label + "\n";
  }
  return out;
}
