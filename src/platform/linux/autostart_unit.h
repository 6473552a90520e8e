#pragma once
// The systemd unit that starts the monitor with the system.
#include <string>

// The unit's text for exePath, run in workingDirectory; false when either holds a character
// that a unit file cannot carry (a line break or other control character).
bool autostartUnitText(const std::string& exePath, const std::string& workingDirectory,
                       std::string& text);
// Writes (on) or removes (off) unitDir/vetrel.service and its link in
// unitDir/multi-user.target.wants, which is what enabling the unit makes. A vetrel.service
// that this setting did not write (one installed by hand) is left alone. Silent.
void applyAutostart(bool on, const std::string& exePath, const std::string& unitDir);
