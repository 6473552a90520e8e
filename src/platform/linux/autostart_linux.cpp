#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/linux/autostart_unit.h"
#include "platform/linux/file_bytes.h"
#include "platform/settings_platform.h"

namespace {

constexpr char kUnitName[] = "vetrel.service";
// The first line of a unit this setting wrote; a unit without it was installed by hand (say
// from packaging/) and is neither replaced nor removed.
constexpr char kMarker[] = "# Written by Vetrel's start-with-the-system setting.";

bool unitIsOurs(const std::string& unit) {
  std::string bytes;
  if (!readFileBytes(unit.c_str(), bytes)) return false;
  return bytes.empty() || bytes.compare(0, sizeof kMarker - 1, kMarker) == 0;
}

bool unitSafe(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7f) return false;
  return !s.empty();
}

// ExecStart takes C-style quoting; a percent sign starts a specifier and is doubled.
std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  return out + "\"";
}

std::string withoutSpecifiers(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '%') out += '%';
    out += c;
  }
  return out;
}

}  // namespace

bool autostartUnitText(const std::string& exePath, const std::string& workingDirectory,
                       std::string& text) {
  if (!unitSafe(exePath) || !unitSafe(workingDirectory)) return false;
  text = std::string(kMarker) +
         "\n[Unit]\nDescription=Vetrel ARP cache monitor\nAfter=network-online.target\n\n"
         "[Service]\nWorkingDirectory=" +
         withoutSpecifiers(workingDirectory) + "\nExecStart=" + quoted(exePath) +
         " monitor\nRestart=on-failure\n\n[Install]\nWantedBy=multi-user.target\n";
  return true;
}

namespace {

std::string failure(const std::string& what, const std::string& path) {
  return "cannot " + what + " " + path + ": " + std::strerror(errno) +
         (errno == EACCES || errno == EPERM || errno == EROFS ? " (root only)" : "");
}

// The data directory the packaged unit's ExecStart names, for the report.
std::string packagedDirectory(const std::string& unit) {
  std::string bytes;
  if (!readFileBytes(unit.c_str(), bytes)) return {};
  const std::size_t dir = bytes.find("--dir ");
  if (dir == std::string::npos) return {};
  const std::size_t start = dir + 6;
  return bytes.substr(start, bytes.find_first_of(" \n", start) - start);
}

// The packaged unit is enabled as systemctl enable does it: by the link, nothing else.
AutostartReport switchPackagedUnit(bool on, const std::string& packaged, const std::string& wants,
                                   const std::string& link) {
  struct stat st {};
  const bool linked = lstat(link.c_str(), &st) == 0;
  if (linked && !S_ISLNK(st.st_mode))
    return {false, link + " is no link; it is left alone (systemctl enable/disable vetrel)"};
  if (!on) {
    if (linked && unlink(link.c_str()) != 0) return {false, failure("remove", link)};
    return {true, "RunOnStart: the packaged " + packaged +
                      " is disabled (a monitor it runs keeps running until systemctl stop vetrel)"};
  }
  mkdir(wants.c_str(), 0755);
  if (linked) unlink(link.c_str());
  if (symlink(packaged.c_str(), link.c_str()) != 0) return {false, failure("create", link)};
  const std::string dir = packagedDirectory(packaged);
  return {true, "RunOnStart: the packaged " + packaged + " is enabled" +
                    (dir.empty() ? "" : "; it runs the monitor on " + dir) +
                    " when the system starts (systemctl start vetrel starts it now)"};
}

}  // namespace

AutostartReport applyAutostart(bool on, const std::string& exePath, const std::string& unitDir,
                               const std::vector<std::string>& packagedUnits) {
  const std::string unit = unitDir + "/" + kUnitName;
  const std::string wants = unitDir + "/multi-user.target.wants";
  const std::string link = wants + "/" + kUnitName;
  struct stat st {};
  const bool unitThere = lstat(unit.c_str(), &st) == 0;
  if (unitThere && !unitIsOurs(unit))
    return {false, unit +
                       " was not written by RunOnStart and is left alone; enable or disable "
                       "it with systemctl enable/disable vetrel"};
  for (const std::string& packaged : packagedUnits) {
    if (stat(packaged.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // A unit of ours from before the package would hide the packaged, hardened one.
    if (unitThere && unlink(unit.c_str()) != 0) return {false, failure("remove", unit)};
    return switchPackagedUnit(on, packaged, wants, link);
  }
  if (!on) {
    if (!unitThere) return {true, "RunOnStart: no unit of its own to remove"};
    unlink(link.c_str());
    if (unlink(unit.c_str()) != 0) return {false, failure("remove", unit)};
    return {true, "RunOnStart: removed " + unit};
  }
  // The monitor's data directory is the one it works in now.
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return {false, failure("read the directory", ".")};
  std::string text;
  if (!autostartUnitText(exePath, cwd, text))
    return {false, "the program's path or directory cannot be written into a unit"};
  if (!writeFileAtomically(unit.c_str(), text, 0644)) return {false, failure("write", unit)};
  mkdir(wants.c_str(), 0755);
  unlink(link.c_str());
  // Without the link the unit would never start; leave nothing half-done.
  if (symlink(unit.c_str(), link.c_str()) != 0) {
    const std::string why = failure("create", link);
    unlink(unit.c_str());
    return {false, why};
  }
  return {true, "RunOnStart: wrote and enabled " + unit + ", which runs the monitor on " +
                    std::string(cwd) + " when the system starts"};
}

namespace platform {

bool setAutostartSaying(bool on, const char* exePath, std::string& said) {
  const AutostartReport r = applyAutostart(
      on, exePath ? exePath : "", "/etc/systemd/system",
      {"/lib/systemd/system/vetrel.service", "/usr/lib/systemd/system/vetrel.service"});
  said = r.text;
  return r.done;
}

void setAutostart(bool on, const char* exePath) {
  std::string said;
  setAutostartSaying(on, exePath, said);
}

}  // namespace platform
