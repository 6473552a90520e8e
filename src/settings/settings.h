#pragma once
// Every switch, interval, mail parameter, event mask and window position, read once at
// start-up from quorel.ini and written back once at exit.
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

struct Settings {
  bool AddNew = true;
  bool CheckMac = true;
  bool Restore = false;
  bool AddAddIp = true;
  bool BlockNew = false;
  bool ShowMsg = true;
  bool WriteLog = false;
  bool SaveStat = false;
  bool RunOnStart = false;
  bool HideOnRun = false;
  bool ScanGetName = false;
  bool ScanCheckMac = false;
  std::int32_t CheckInt = 5;
  std::int32_t MaxScanThreads = 5;
  bool MsgToMail = false;
  char MailTo[32] = {};
  char MailFrom[32] = {};
  char MailServer[32] = {};
  std::int32_t MailPort = 25;
  char MailLogin[32] = {};
  char MailPassw[32] = {};  // plain in memory; protected hex text in the file
  bool MsgOnRoute = false;  // read, never written
  std::int32_t SendMailInt = 30;
  std::int32_t MsgMask = 262;
  std::int32_t MailMask = 4;
  std::int32_t WndX = 0, WndY = 0, Wndcx = 550, Wndcy = 420;
  std::int32_t MsgX = 0, MsgY = 0, Msgcx = 670, Msgcy = 230;
  bool WatchIpv6 = true;  // off: no IPv6 table, frame, line or file is touched
};

extern Settings settings;  // main thread writes; other threads read single fields

// The file's keys in the order in which they are read and written, each with its field.
enum class SettingKind { Bool, Int, Text, Password, ReadOnlyBool };
struct SettingKey {
  const char* name;
  SettingKind kind;
  bool Settings::*b = nullptr;          // Bool, ReadOnlyBool
  std::int32_t Settings::*i = nullptr;  // Int
  char (Settings::*t)[32] = nullptr;    // Text, Password
};
std::span<const SettingKey> settingKeys();

// The file's keys and values from s, in settingKeys order, with the password as sealedPassword
// (the file's form) and MsgOnRoute only when withMsgOnRoute.
std::vector<std::pair<std::string, std::string>> settingsFileValues(
    const Settings& s, const std::string& sealedPassword, bool withMsgOnRoute);

inline constexpr const char* kIniSection = "Vetrel";
inline constexpr const char* kIniName = "quorel.ini";

extern std::string exePath;
extern std::string iniPath;  // empty: no settings file (defaults stay, nothing is saved)

// Window rectangles that saveSettings stores; the front end fills them before the save.
struct WindowRect {
  std::int32_t left, top, right, bottom;
};
extern bool (*readMainWindowRect)(WindowRect& normal);
extern bool (*readMessageWindowRect)(WindowRect& normal);

// Windows form: the directory before the last backslash becomes the working directory and
// holds quorel.ini. A path without a backslash leaves both unset.
void initPaths();
// The Linux console's form: the given directory (made absolute) holds every file and becomes
// the working directory; false when it cannot be entered.
bool initPathsInDirectory(const std::string& directory);

// Empty iniPath: the defaults, nothing read.
void loadSettings();
void saveSettings();  // through a temporary file and an atomic rename

// The running programs' check of what loadSettings read: a value the settings dialog would
// refuse (a number out of its range, a text longer than its field, AddNew with BlockNew) is
// replaced by the nearest allowed value or the default, one line per key saying which. The
// file keeps the value as written until the setting is changed: saveSettings writes the
// file's text back while the replacement is still in force.
std::vector<std::string> boundLoadedSettings();
// The user has set the settings (the dialog's OK): from now on the save writes them all.
void forgetHeldSettings();
void setAutostart(bool on);

// The protected password in its stored hex form; empty text on failure.
std::string protectPassword(const char* plain);
// False on failure (out stays empty).
bool unprotectPassword(const char* hexText, char (&out)[32]);
