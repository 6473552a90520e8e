#include <sys/stat.h>
#include <unistd.h>

#include <climits>

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

void applyAutostart(bool on, const std::string& exePath, const std::string& unitDir) {
  const std::string unit = unitDir + "/" + kUnitName;
  const std::string wants = unitDir + "/multi-user.target.wants";
  const std::string link = wants + "/" + kUnitName;
  if (!unitIsOurs(unit)) return;
  if (!on) {
    unlink(link.c_str());
    unlink(unit.c_str());
    return;
  }
  // The monitor's data directory is the one it works in now.
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return;
  std::string text;
  if (!autostartUnitText(exePath, cwd, text)) return;
  if (!writeFileAtomically(unit.c_str(), text, 0644)) return;
  mkdir(wants.c_str(), 0755);
  unlink(link.c_str());
  // Without the link the unit would never start; leave nothing half-done.
  if (symlink(unit.c_str(), link.c_str()) != 0) unlink(unit.c_str());
}

namespace platform {

void setAutostart(bool on, const char* exePath) {
  applyAutostart(on, exePath ? exePath : "", "/etc/systemd/system");
}

}  // namespace platform
