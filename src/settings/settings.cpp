#include "settings/settings.h"

#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text_field.h"
#include "core/ui_hooks.h"
#include "platform/settings_platform.h"
#include "platform/system_platform.h"

Settings settings;
std::string exePath;
std::string iniPath;
bool (*readMainWindowRect)(WindowRect& normal) = nullptr;
bool (*readMessageWindowRect)(WindowRect& normal) = nullptr;

namespace {

using BoolField = bool Settings::*;
using IntField = std::int32_t Settings::*;
using TextField = char (Settings::*)[32];

enum class KeyKind { Bool, Int, Text, Password, ReadOnlyBool };

struct Key {
  const char* name;
  KeyKind kind;
  BoolField b = nullptr;
  IntField i = nullptr;
  TextField t = nullptr;
};

constexpr Key boolKey(const char* n, BoolField f) {
  return {n, KeyKind::Bool, f, nullptr, nullptr};
}
constexpr Key intKey(const char* n, IntField f) { return {n, KeyKind::Int, nullptr, f, nullptr}; }
constexpr Key textKey(const char* n, TextField f) {
  return {n, KeyKind::Text, nullptr, nullptr, f};
}

// The file's keys in the order in which they are read and written.
const Key kKeys[] = {
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
    {"MailPassw", KeyKind::Password, nullptr, nullptr, &Settings::MailPassw},
    {"MsgOnRoute", KeyKind::ReadOnlyBool, &Settings::MsgOnRoute, nullptr, nullptr},
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

void storeRect(const WindowRect& r, std::int32_t& x, std::int32_t& y, std::int32_t& cx,
               std::int32_t& cy) {
  x = r.left;
  y = r.top;
  cx = r.right - r.left;
  cy = r.bottom - r.top;
}

}  // namespace

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

void loadSettings() {
  const Settings d = defaultSettings();
  if (iniPath.empty()) {
    settings = d;
    return;
  }
  const char* path = iniPath.c_str();
  for (const Key& k : kKeys) {
    switch (k.kind) {
      case KeyKind::Bool:
      case KeyKind::ReadOnlyBool:
        settings.*k.b = platform::profileGetInt(kIniSection, k.name, d.*k.b ? 1 : 0, path) != 0;
        break;
      case KeyKind::Int:
        settings.*k.i = platform::profileGetInt(kIniSection, k.name, d.*k.i, path);
        break;
      case KeyKind::Text:
        platform::profileGetString(kIniSection, k.name, "", settings.*k.t, sizeof(settings.*k.t),
                                   path);
        break;
      case KeyKind::Password: {
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

  std::vector<std::pair<std::string, std::string>> values;
  values.reserve(std::size(kKeys));
  for (const Key& k : kKeys) {
    switch (k.kind) {
      case KeyKind::Bool:
        values.emplace_back(k.name, settings.*k.b ? "1" : "0");
        break;
      case KeyKind::Int:
        values.emplace_back(k.name, std::to_string(settings.*k.i));
        break;
      case KeyKind::Text:
        values.emplace_back(k.name, std::string(fieldView(settings.*k.t)));
        break;
      case KeyKind::Password: {
        std::string hex;
        if (settings.MailPassw[0] != 0) {
          char plain[sizeof settings.MailPassw];
          copyField(plain, fieldView(settings.MailPassw));
          hex = protectPassword(plain);
          if (hex.empty()) uiMessageBox("Ошибка шифрования пароля почты.", MessageIcon::Error);
        }
        values.emplace_back(k.name, std::move(hex));
        break;
      }
      case KeyKind::ReadOnlyBool:
        break;  // set by hand in the file; the program never writes it
    }
  }
  // One replacement of the whole file: a crash or a full disk leaves the old file whole.
  // A failed write is not reported; the program is ending anyway.
  platform::profileWriteKeys(kIniSection, values, iniPath.c_str());
}

void setAutostart(bool on) {
  // An executable path that could not be read (260 characters or more) would make an empty
  // Run value, which starts nothing; the entry is then left as it is.
  if (on && exePath.empty()) return;
  platform::setAutostart(on, exePath.c_str());
}
