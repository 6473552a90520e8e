#pragma once
// The systemd unit that starts the monitor with the system.
#include <string>
#include <vector>

// The unit's text for exePath, run in workingDirectory; false when either holds a character
// that a unit file cannot carry (a line break or other control character).
bool autostartUnitText(const std::string& exePath, const std::string& workingDirectory,
                       std::string& text);
struct AutostartReport {
  bool done = false;
  std::string text;  // what was done, or why it could not be (English, one line)
};
// When one of packagedUnits exists (the package's unit): enables (on) or disables (off) it by
// its link in unitDir/multi-user.target.wants, and removes a unitDir/vetrel.service this
// setting wrote before, which would hide it. Otherwise writes (on) or removes (off)
// unitDir/vetrel.service and its link. A vetrel.service in unitDir that this setting did not
// write (one installed by hand) is never replaced, removed or hidden: that is refused.
AutostartReport applyAutostart(bool on, const std::string& exePath, const std::string& unitDir,
                               const std::vector<std::string>& packagedUnits = {});
