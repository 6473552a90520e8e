#include "settings/settings.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "base/external_text.h"
#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "platform/settings_platform.h"
#include "platform/system_platform.h"

Settings settings;
std::string exePath;
std::string iniPath;
bool (*readMainWindowRect)(WindowRect& normal) = nullptr;
bool (*readMessageWindowRect)(WindowRect& normal) = nullptr;

namespace {

constexpr SettingKey boolKey(const char* n, bool Settings::*f) {
  return {n, SettingKind::Bool, f, nullptr, nullptr};
}
constexpr SettingKey intKey(const char* n, std::int32_t Settings::*f) {
  return {n, SettingKind::Int, nullptr, f, nullptr};
}
constexpr SettingKey textKey(const char* n, char (Settings::*f)[32]) {
  return {n, SettingKind::Text, nullptr, nullptr, f};
}

// The file's keys in the order in which they are read and written.
const SettingKey kKeys[] = {
    boolKey("AddNew", &Settings::AddNew),
    boolKey("CheckMac", &Settings::CheckMac),
    boolKey("Restore", &Settings::Restore),
    boolKey("AddAddIp", &Settings::AddAddIp),
    boolKey("BlockNew", &Settings::BlockNew),
    boolKey("ShowMsg", &Settings::ShowMsg),
    boolKey("WriteLog", &Settings::WriteLog),
    boolKey("SaveStat", &Settings::SaveStat),
    boolKey("RunOnStart", &Settings::RunOnStart),
    boolKey("HideOnRun", &Settings::HideOnRun),
    boolKey("ScanGetName", &Settings::ScanGetName),
    boolKey("ScanCheckMac", &Settings::ScanCheckMac),
    intKey("CheckInt", &Settings::CheckInt),
    intKey("MaxScanThreads", &Settings::MaxScanThreads),
    boolKey("MsgToMail", &Settings::MsgToMail),
    textKey("MailTo", &Settings::MailTo),
    textKey("MailFrom", &Settings::MailFrom),
    textKey("MailServer", &Settings::MailServer),
    intKey("MailPort", &Settings::MailPort),
    textKey("MailLogin", &Settings::MailLogin),
    {"MailPassw", SettingKind::Password, nullptr, nullptr, &Settings::MailPassw},
    {"MsgOnRoute", SettingKind::ReadOnlyBool, &Settings::MsgOnRoute, nullptr, nullptr},
    intKey("SendMailInt", &Settings::SendMailInt),
    intKey("MsgMask", &Settings::MsgMask),
    intKey("MailMask", &Settings::MailMask),
    intKey("WndX", &Settings::WndX),
    intKey("WndY", &Settings::WndY),
    intKey("Wndcx", &Settings::Wndcx),
    intKey("Wndcy", &Settings::Wndcy),
    intKey("MsgX", &Settings::MsgX),
    intKey("MsgY", &Settings::MsgY),
    intKey("Msgcx", &Settings::Msgcx),
    intKey("Msgcy", &Settings::Msgcy),
    boolKey("WatchIpv6", &Settings::WatchIpv6),
};

// The table's defaults, window positions centred on the primary screen as it is now.
Settings defaultSettings() {
  Settings d;
  int width = 0, height = 0;
  platform::screenSize(width, height);
  d.WndX = (width - d.Wndcx) / 2;
  d.WndY = (height - d.Wndcy) / 2;
  d.MsgX = (width - d.Msgcx) / 2;
  d.MsgY = (height - d.Msgcy) / 2;
  return d;
}

// A size from two edges that a window at an extreme place (read from the file) may have.
std::int32_t span(std::int32_t from, std::int32_t to) {
  const std::int64_t d = std::int64_t{to} - from;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(d, INT32_MIN, INT32_MAX));
}

void storeRect(const WindowRect& r, std::int32_t& x, std::int32_t& y, std::int32_t& cx,
               std::int32_t& cy) {
  x = r.left;
  y = r.top;
  cx = span(r.left, r.right);
  cy = span(r.top, r.bottom);
}

// Keys replaced at load: the value used and the file's own text, kept for the save.
struct HeldValue {
  std::string key, used, written;
};
std::vector<HeldValue> heldValues;

std::string boundLine(const char* key, const std::string& written, const std::string& used,
                      const char* why) {
  return std::string("Параметр ") + key + "=" + written + " в " + kIniName + " " + why +
         "; используется " + key + "=" + used + ".";
}

void bound(std::vector<std::string>& lines, const char* key, std::int32_t& value, std::int32_t low,
           std::int32_t high) {
  if (value >= low && value <= high) return;
  const std::string written = std::to_string(value);
  value = std::clamp(value, low, high);
  const std::string range = "вне пределов " + std::to_string(low) + "-" + std::to_string(high);
  lines.push_back(boundLine(key, written, std::to_string(value), range.c_str()));
  heldValues.push_back({key, std::to_string(value), written});
}

}  // namespace

std::vector<std::string> boundLoadedSettings() {
  heldValues.clear();
  std::vector<std::string> lines;
  if (iniPath.empty()) return lines;
  bound(lines, "CheckInt", settings.CheckInt, 2, 60);
  bound(lines, "MaxScanThreads", settings.MaxScanThreads, 1, 16);
  // 0 is the dialog's empty port: "not set", refused only when mail is sent.
  if (settings.MailPort < 0 || settings.MailPort > 65535) {
    const std::string written = std::to_string(settings.MailPort);
    settings.MailPort = Settings{}.MailPort;
    lines.push_back(
        boundLine("MailPort", written, std::to_string(settings.MailPort), "вне пределов 0-65535"));
    heldValues.push_back({"MailPort", std::to_string(settings.MailPort), written});
  }
  if (settings.SendMailInt < 0) bound(lines, "SendMailInt", settings.SendMailInt, 0, INT32_MAX);
  if (settings.AddNew && settings.BlockNew) {
    // Learning is undone by deleting a sample; a poisoned binding misleads a host at once.
    settings.BlockNew = false;
    lines.push_back(std::string("Параметры AddNew=1 и BlockNew=1 в ") + kIniName +
                    " нельзя включать одновременно; используется BlockNew=0: новые адреса "
                    "пополняют образцы, их MAC не подменяется.");
    heldValues.push_back({"BlockNew", "0", "1"});
  }
  for (const SettingKey& k : kKeys) {
    if (k.kind != SettingKind::Text) continue;
    // A cut address would send mail elsewhere: a text longer than its field is not used.
    char whole[1024] = {};
    platform::profileGetString(kIniSection, k.name, "", whole, sizeof whole, iniPath.c_str());
    const std::string written = whole;
    if (written.size() < sizeof(settings.*k.t)) continue;
    (settings.*k.t)[0] = 0;
    lines.push_back(boundLine(k.name, cleanExternalText(written), "", "длиннее 31 символа"));
    heldValues.push_back({k.name, "", written});
  }
  return lines;
}

void forgetHeldSettings() { heldValues.clear(); }

std::span<const SettingKey> settingKeys() { return kKeys; }

void initPaths() {
  exePath = platform::executablePath();
  const std::size_t cut = exePath.rfind('\\');
  if (cut == std::string::npos) {
    iniPath.clear();
    return;
  }
  // A drive root keeps its backslash: "C:" alone names the drive's current directory.
  const bool driveRoot = cut == 2 && exePath[1] == ':';
  const std::string directory = exePath.substr(0, driveRoot ? cut + 1 : cut);
  platform::setCurrentDirectory(directory.c_str());
  iniPath = directory + (driveRoot ? "" : "\\") + kIniName;
}

bool initPathsInDirectory(const std::string& directory) {
  exePath = platform::executablePath();
  const std::string given = directory.empty() ? std::string(".") : directory;
  // Absolute before the directory change, or a relative --dir would be taken twice.
  std::error_code ec;
  std::string absolute = std::filesystem::absolute(given, ec).lexically_normal().string();
  if (ec || absolute.empty()) absolute = given;
  while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  iniPath = absolute + (absolute == "/" ? "" : "/") + kIniName;
  return platform::setCurrentDirectory(absolute.c_str());
}

std::vector<std::pair<std::string, std::string>> settingsFileValues(
    const Settings& s, const std::string& sealedPassword, bool withMsgOnRoute) {
  std::vector<std::pair<std::string, std::string>> values;
  values.reserve(std::size(kKeys));
  for (const SettingKey& k : kKeys) {
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
        values.emplace_back(k.name, sealedPassword);
        break;
    }
  }
  return values;
}

void loadSettings() {
  const Settings d = defaultSettings();
  if (iniPath.empty()) {
    settings = d;
    return;
  }
  const char* path = iniPath.c_str();
  for (const SettingKey& k : kKeys) {
    switch (k.kind) {
      case SettingKind::Bool:
      case SettingKind::ReadOnlyBool:
        settings.*k.b = platform::profileGetInt(kIniSection, k.name, d.*k.b ? 1 : 0, path) != 0;
        break;
      case SettingKind::Int:
        settings.*k.i = platform::profileGetInt(kIniSection, k.name, d.*k.i, path);
        break;
      case SettingKind::Text:
        platform::profileGetString(kIniSection, k.name, "", settings.*k.t, sizeof(settings.*k.t),
                                   path);
        break;
      case SettingKind::Password: {
        char stored[512] = {};
        platform::profileGetString(kIniSection, k.name, "", stored, sizeof stored, path);
        settings.MailPassw[0] = 0;
        if (stored[0] != 0 && !unprotectPassword(stored, settings.MailPassw))
          uiMessageBox("Ошибка дешифрования пароля почты.", MessageIcon::Error);
        break;
      }
    }
  }
}

void saveSettings() {
  if (iniPath.empty()) return;
  WindowRect r{};
  if (readMainWindowRect && readMainWindowRect(r))
    storeRect(r, settings.WndX, settings.WndY, settings.Wndcx, settings.Wndcy);
  if (readMessageWindowRect && readMessageWindowRect(r))
    storeRect(r, settings.MsgX, settings.MsgY, settings.Msgcx, settings.Msgcy);

  std::string hex;
  if (settings.MailPassw[0] != 0) {
    char plain[sizeof settings.MailPassw];
    copyField(plain, fieldView(settings.MailPassw));
    hex = protectPassword(plain);
    if (hex.empty()) uiMessageBox("Ошибка шифрования пароля почты.", MessageIcon::Error);
  }
  // One replacement of the whole file: a crash or a full disk leaves the old file whole.
  // A failed write is not reported; the program is ending anyway.
  // MsgOnRoute is set by hand in the file; the program never writes it.
  auto values = settingsFileValues(settings, hex, false);
  for (auto& [key, value] : values)
    for (const HeldValue& h : heldValues)
      if (h.key == key && h.used == value) value = h.written;
  platform::profileWriteKeys(kIniSection, values, iniPath.c_str(), !hex.empty());
}

void setAutostart(bool on) {
  // An executable path that could not be read (260 characters or more) would make an empty
  // Run value, which starts nothing; the entry is then left as it is.
  if (on && exePath.empty()) return;
  platform::setAutostart(on, exePath.c_str());
}
