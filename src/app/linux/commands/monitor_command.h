#pragma once
// `vetrel monitor`: the start-up, the loop and the shut-down that the GUI runs, on a console.
#include <string>

#include "app/linux/command_line.h"

// Start-up from the settings load to the armed tick; kExitOk or the exit code of a fatal
// error (already shown on stderr). The signal thread is not part of it; tests leave the
// route watch out too.
int startMonitor(const std::string& dir, bool watchRoutes = true);
// Tick stopped, statics saved (SaveStat), settings saved, exit lines journalled.
void shutDownMonitor();
// The --stats line.
std::string monitorStatsLine();

int runMonitor(const CommandLine& cl);
