#include "app/linux/commands/settings_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/linux/commands/command_directory.h"
#include "app/linux/commands/password_input.h"
#include "app/linux/commands/settings_edit.h"
#include "app/linux/commands/settings_input.h"
#include "app/linux/console/console_locale.h"
#include "app/linux/console/console_text.h"
#include "app/linux/runtime/console_session.h"
#include "app/linux/system/data_dir_lock.h"
#include "app/linux/system/environment_check.h"
#include "forms/settings_form.h"
#include "platform/settings_platform.h"
#include "settings/settings.h"

namespace {

constexpr std::size_t kPasswordMax = sizeof(Settings{}.MailPassw) - 1;

std::string storedPasswordText() {
  char stored[512] = {};
  platform::profileGetString(kIniSection, "MailPassw", "", stored, sizeof stored, iniPath.c_str());
  return stored;
}

PasswordState passwordState(const std::string& stored) {
  if (stored.empty()) return PasswordState::NotSet;
  char plain[32];
  return unprotectPassword(stored.c_str(), plain) ? PasswordState::Set : PasswordState::Unreadable;
}

// A quorel.ini this user cannot read would show, and be edited from, the defaults as if they
// were its values. A missing file is fine: it holds the defaults.
std::string iniProblem() {
  const int fd = ::open(iniPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? "" : std::strerror(errno);
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ::close(fd);
  return regular ? "" : "not a regular file";
}

// The data directory as an absolute path: the process has moved into it, so a relative
// --dir no longer names it.
std::string lockedDirectory() {
  const std::size_t slash = iniPath.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : iniPath.substr(0, slash);
}

std::string iniValue(const char* key) {
  char value[512] = {};
  platform::profileGetString(kIniSection, key, "", value, sizeof value, iniPath.c_str());
  return value;
}

SyslogKeys storedSyslogKeys() {
  return {iniValue("SyslogServer"), iniValue("SyslogPort"), iniValue("SyslogProto"),
          iniValue("SyslogMask")};
}

int showSettings(const std::string& dir) {
  loadSettings();
  const bool written =
      writeConsole(consoleOut, formatSettingsReport(settings, passwordState(storedPasswordText())) +
                                   formatSyslogReport(storedSyslogKeys()));
  for (const std::string& w : settingsWarnings(settings)) warnConsole("warning: " + w);
  SyslogKeys syslog = storedSyslogKeys();
  std::vector<std::string> none;
  std::vector<std::pair<std::string, std::string>> unused;
  if (const std::string w = takeSyslogAssignments(none, syslog, unused); !w.empty())
    warnConsole("warning: " + w + "; the monitor sends no syslog");
  if (dataDirectoryBusy(lockedDirectory()))
    warnConsole("note: a vetrel monitor runs on " + dir +
                "; it writes its own settings back to quorel.ini when it stops");
  return written ? kExitOk : kExitFailure;
}

bool writeValues(const std::vector<std::pair<std::string, std::string>>& values,
                 bool secret = false) {
  errno = 0;
  if (platform::profileWriteKeys(kIniSection, values, iniPath.c_str(), secret)) return true;
  const int error = errno;
  warnConsole("cannot write " + iniPath + (error ? std::string(": ") + std::strerror(error) : "") +
              "; nothing was changed");
  return false;
}

// The dialog shows the value it refuses; here it may come from the file, unseen, so a refused
// value that the command line did not give is named.
std::string valuesFromTheFile(const Settings& s, const std::vector<std::string>& assignments) {
  std::vector<std::pair<const char*, std::int32_t>> involved;
  switch (checkSettingsForm(formFromSettings(s))) {
    case SettingsVerdict::BadThreadCount:
      involved = {{"MaxScanThreads", s.MaxScanThreads}};
      break;
    case SettingsVerdict::BadInterval:
      involved = {{"CheckInt", s.CheckInt}};
      break;
    case SettingsVerdict::Contradiction:
      involved = {{"AddNew", 1}, {"BlockNew", 1}};
      break;
    case SettingsVerdict::BadMailPort:
      involved = {{"MailPort", s.MailPort}};
      break;
    case SettingsVerdict::NoMailServer:
    case SettingsVerdict::NoMailReceiver:
      involved = {{"MsgToMail", 1}, {"MailMask", s.MailMask}};
      break;
    case SettingsVerdict::TextTooLong:  // settings read from the file are never longer
    case SettingsVerdict::Applied:
      break;
  }
  std::string out;
  for (const auto& [key, value] : involved)
    if (!assignmentsName(assignments, key))
      out += " " + std::string(key) + "=" + std::to_string(value);
  return out.empty() ? "" : "\n(quorel.ini holds" + out + "; give a new value in the same set)";
}

bool switchAutostart(bool on) {
  std::string said;
  const bool done = platform::setAutostartSaying(on, exePath.c_str(), said);
  if (!said.empty()) warnConsole(said);
  return done;
}

int setSettings(const std::vector<std::string>& assignments) {
  loadSettings();
  std::vector<std::string> given;
  const std::string typedIn = localeCharset();
  for (const std::string& a : assignments) {
    TypedAssignment typed = assignmentFromConsole(a, typedIn);
    if (!typed.error.empty()) {
      warnConsole(typed.error + "\nNothing was written.");
      return kExitUsage;
    }
    given.push_back(std::move(typed.text));
  }
  SyslogKeys syslog = storedSyslogKeys();
  std::vector<std::pair<std::string, std::string>> syslogWritten;
  if (const std::string e = takeSyslogAssignments(given, syslog, syslogWritten); !e.empty()) {
    warnConsole(e + "\nNothing was written.");
    return kExitUsage;
  }
  Settings edited = settings;
  const SettingsEditResult r = applySettingsAssignments(edited, given);
  if (!r.error.empty()) {
    warnConsole(r.error + (r.failedCheck ? valuesFromTheFile(edited, given) : "") +
                "\nNothing was written.");
    return kExitUsage;
  }
  // The unit first: a RunOnStart that could not be applied is not stored either.
  const bool autostart = edited.RunOnStart != settings.RunOnStart;
  if (autostart && !switchAutostart(edited.RunOnStart)) {
    warnConsole("Nothing was written.");
    return kExitFailure;
  }
  // The sealed password goes back as stored, never sealed anew: one that cannot be opened on
  // this machine is kept, not lost.
  auto values = settingsFileValues(edited, storedPasswordText(), r.msgOnRouteNamed);
  values.insert(values.end(), syslogWritten.begin(), syslogWritten.end());
  if (!writeValues(values)) {
    if (autostart) switchAutostart(settings.RunOnStart);
    return kExitFailure;
  }
  return kExitOk;
}

// Reads and seals the password; kExitOk with hex empty clears the stored one.
int readSealedPassword(std::string& hex) {
  std::string typed;
  switch (readMailPassword(kPasswordMax, typed)) {
    case PasswordInput::Read:
      break;
    case PasswordInput::NoInput:
      warnConsole("no password given (an empty line clears the stored one); nothing was written");
      return kExitUsage;
    case PasswordInput::Mismatch:
      warnConsole("the two entries differ; nothing was written");
      return kExitUsage;
    case PasswordInput::TooLong:
      warnConsole("the mail password holds at most 31 characters; nothing was written");
      return kExitUsage;
  }
  const std::string plain = consoleInputText(typed);
  if (plain.size() > kPasswordMax || plain.find('\0') != std::string::npos) {
    warnConsole(
        "the mail password holds at most 31 characters and no zero byte; "
        "nothing was written");
    return kExitUsage;
  }
  hex.clear();
  if (!plain.empty()) {
    hex = protectPassword(plain.c_str());
    char check[32];
    if (hex.empty() || !unprotectPassword(hex.c_str(), check) || plain != check) {
      warnConsole("Ошибка шифрования пароля почты.");
      return kExitFailure;
    }
  }
  return kExitOk;
}

int storePassword(const std::string& hex) {
  if (!writeValues({{"MailPassw", hex}}, !hex.empty())) return kExitFailure;
  if (::isatty(0) == 1)
    warnConsole(hex.empty() ? "the mail password is cleared"
                            : "the mail password is stored, sealed to this machine");
  return kExitOk;
}

void refuseWhileMonitorRuns(const std::string& dir) {
  warnConsole("a vetrel monitor runs on " + dir +
              " and writes its own settings back to quorel.ini when it stops, over any "
              "change made now. Stop it first (Ctrl+C, or systemctl stop vetrel), then "
              "edit. Nothing was written.");
}

}  // namespace

int runSettings(const CommandLine& cl) {
  chooseConsoleEncoding(cl.forceUtf8, cl.forceCp1251);
  const SettingsOperands ops = parseSettingsOperands(cl.operands);
  if (!ops.error.empty()) {
    warnConsole(ops.error + "\nTry 'vetrel --help'.");
    return kExitUsage;
  }
  if (!usableDirectory(cl.dir)) return kExitUsage;
  installConsoleHooks();
  if (!enterDirectory(cl.dir)) return kExitFailure;
  if (const std::string problem = iniProblem(); !problem.empty()) {
    warnConsole("cannot read " + iniPath + ": " + problem +
                (ops.mode == SettingsMode::Show ? "" : "; nothing was written"));
    return kExitFailure;
  }
  if (ops.mode == SettingsMode::Show) return showSettings(cl.dir);

  // The password is typed before the directory is locked: a monitor starting meanwhile
  // would give up waiting for the lock and run without it, unguarded against later edits.
  std::string sealed;
  if (ops.mode == SettingsMode::SetPassword) {
    if (dataDirectoryBusy(lockedDirectory())) {
      refuseWhileMonitorRuns(cl.dir);
      return kExitFailure;
    }
    if (const int rc = readSealedPassword(sealed); rc != kExitOk) return rc;
  }

  // Held through the write, so a monitor cannot start halfway through it.
  struct Hold {
    int fd = -1;
    ~Hold() { unlockDataDirectory(fd); }
  } lock;
  switch (lockDataDirectory(lockedDirectory(), true, 0, lock.fd)) {
    case DirLockResult::Held:
      break;
    case DirLockResult::Busy:
      refuseWhileMonitorRuns(cl.dir);
      return kExitFailure;
    case DirLockResult::Failed:
    case DirLockResult::NotAFile:
      warnConsole("cannot lock the data directory " + cl.dir + ": " + std::strerror(errno) +
                  "; nothing was written");
      return kExitFailure;
  }
  return ops.mode == SettingsMode::Set ? setSettings(ops.assignments) : storePassword(sealed);
}
