#include "app/linux/commands/command_directory.h"

#include "app/linux/console/console_text.h"
#include "app/linux/system/environment_check.h"
#include "settings/settings.h"

bool usableDirectory(const std::string& dir) {
  const DirectoryCheck check = checkDataDirectory(dir);
  if (!check.usable) warnConsole(check.problem);
  return check.usable;
}

bool enterDirectory(const std::string& dir) {
  if (initPathsInDirectory(dir)) return true;
  warnConsole("cannot enter the data directory " + dir);
  return false;
}
