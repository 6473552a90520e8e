#include "app/linux/settings_edit.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/text_field.h"

namespace {

// The dialog's event items in its order, with the kind's name that scripts may use.
struct EventItem {
  const char* text;
  const char* name;
  std::int32_t bit;
  bool inMailList;
};
constexpr EventItem kEventItems[] = {
    {"подмена адреса", "Spoofing", 4, true},
    {"новый адрес", "NewAddress", 16, true},
    {"дополн. IP-адрес", "AdditionalIp", 32, true},
    {"изменение маршрутов", "RouteChange", 64, true},
    {"ошибки программы", "ProgramError", 2, true},
    {"ошибки отправки почты", "MailError", 256, false},
};

// The label each key has in the dialog, or what it is when the dialog lacks it.
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
    {"ScanCheckMac", "scan page: Сверять с образцами"},
    {"CheckInt", "Проверять кэш через: ... сек. (2 - 60)"},
    {"MaxScanThreads", "Кол-во потоков опроса: (1 - 16)"},
    {"MsgToMail", "Сообщать по почте"},
    {"MailTo", "Кому:"},
    {"MailFrom", "От:"},
    {"MailServer", "Сервер:"},
    {"MailPort", "Порт:"},
    {"MailLogin", "Логин:"},
    {"MailPassw", "Пароль: (vetrel settings set-password)"},
    {"MsgOnRoute", "journal route table changes (not in the dialog)"},
    {"SendMailInt", "seconds of quiet before a mail goes (not in the dialog)"},
    {"MsgMask", "Показывать сообщения при событиях:"},
    {"MailMask", "Сообщать о событиях:"},
};

constexpr const char* kThreadsMessage = "Количество потоков должно быть   \nв пределах от 1 до 16.";
constexpr const char* kIntervalMessage =
    "Интервал проверок должен быть   \nв пределах от 2 до 60 сек.";
constexpr const char* kContradictionMessage =
    "Противоречие параметров \"Пополнять образцы\"    \nи \"Подменять MAC для новых IP\".";

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

// The dialog's number fields: unsigned decimal; anything else reads as 0, which the range
// check then refuses.
std::int32_t dialogNumber(std::string_view s) {
  std::int32_t v = 0;
  if (!allDigits(s) || !parseSigned(s, 0, std::numeric_limits<std::int32_t>::max(), v)) return 0;
  return v;
}

const char* dialogCheckMessage(const Settings& s) {
  if (s.MaxScanThreads < 1 || s.MaxScanThreads > 16) return kThreadsMessage;
  if (s.CheckInt < 2 || s.CheckInt > 60) return kIntervalMessage;
  if (s.AddNew && s.BlockNew) return kContradictionMessage;
  return nullptr;
}

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
        s.*k.i = dialogNumber(value);
      } else if (name == "MsgMask" || name == "MailMask") {
        std::string error;
        const std::int32_t offered = name == "MsgMask" ? offeredMsgMask() : offeredMailMask();
        if (!parseEventMask(value, offered, v, error)) return name + ": " + error;
        s.*k.i = v;
      } else if (name == "MailPort") {
        if (!allDigits(value) || !parseSigned(value, 0, 65535, v))
          return name + " takes a port number from 0 to 65535, not " + quotedValue;
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
  if (const char* message = dialogCheckMessage(s)) {
    r.error = message;
    r.failedCheck = true;
  }
  return r;
}

std::vector<std::pair<std::string, std::string>> settingsFileValues(
    const Settings& s, const std::string& storedPassword, bool withMsgOnRoute) {
  std::vector<std::pair<std::string, std::string>> values;
  for (const SettingKey& k : settingKeys()) {
    switch (k.kind) {
      case SettingKind::Bool:
        values.emplace_back(k.name, s.*k.b ? "1" : "0");
        break;
      case SettingKind::ReadOnlyBool:
        if (withMsgOnRoute) values.emplace_back(k.name, s.*k.b ? "1" : "0");
        break;
      case SettingKind::Int:
        values.emplace_back(k.name, std::to_string(s.*k.i));
        break;
      case SettingKind::Text:
        values.emplace_back(k.name, std::string(fieldView(s.*k.t)));
        break;
      case SettingKind::Password:
        values.emplace_back(k.name, storedPassword);
        break;
    }
  }
  return values;
}

std::int32_t offeredMsgMask() {
  std::int32_t m = 0;
  for (const EventItem& e : kEventItems) m |= e.bit;
  return m;
}

std::int32_t offeredMailMask() {
  std::int32_t m = 0;
  for (const EventItem& e : kEventItems)
    if (e.inMailList) m |= e.bit;
  return m;
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
        if (item == e.text || sameWord(item, e.name)) bits = e.bit;
    }
    if (bits < 0) {
      std::string names;
      for (const EventItem& e : kEventItems)
        if (e.bit & offered) names += std::string(names.empty() ? "" : ", ") + e.name;
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
      label = k.name[0] == 'W' ? "main window (Windows)" : "message window (Windows)";
    if (line.size() < 24) line.append(24 - line.size(), ' ');
    out += line + "  " + label + "\n";
  }
  return out;
}

std::vector<std::string> settingsWarnings(const Settings& s) {
  std::vector<std::string> w;
  if (s.MaxScanThreads < 1 || s.MaxScanThreads > 16)
    w.push_back("MaxScanThreads=" + std::to_string(s.MaxScanThreads) +
                " is outside 1-16, which the settings dialog refuses");
  if (s.CheckInt < 2 || s.CheckInt > 60)
    w.push_back("CheckInt=" + std::to_string(s.CheckInt) +
                " is outside 2-60, which the settings dialog refuses");
  if (s.AddNew && s.BlockNew)
    w.push_back("AddNew=1 and BlockNew=1 contradict each other; the dialog refuses both");
  if (s.MsgMask & ~offeredMsgMask())
    w.push_back("MsgMask=" + std::to_string(s.MsgMask) + " holds bits no event list offers (" +
                std::to_string(s.MsgMask & ~offeredMsgMask()) + "); the dialog drops them");
  if (s.MailMask & ~offeredMailMask())
    w.push_back("MailMask=" + std::to_string(s.MailMask) + " holds bits no event list offers (" +
                std::to_string(s.MailMask & ~offeredMailMask()) + "); the dialog drops them");
  return w;
}
