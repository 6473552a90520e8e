// vetrel: the Linux console program.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "app/linux/command_line.h"
#include "app/linux/commands/monitor_command.h"
#include "app/linux/commands/neighbours_command.h"
#include "app/linux/commands/route_edit_command.h"
#include "app/linux/commands/routes_command.h"
#include "app/linux/commands/scan_command.h"
#include "app/linux/commands/settings_command.h"
#include "app/linux/console/console_text.h"
#include "app/linux/help_text.h"
#include "base/program_version.h"

namespace {

// A descriptor 0, 1 or 2 that the caller closed would go to the first file we open (the
// log, the directory lock), and rows meant for stdout would land in it. Read-only /dev/null
// holds the place: writing there fails as writing to the closed descriptor would, so an
// output error is still reported as one.
bool holdStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int held = ::open("/dev/null", O_RDONLY | O_NOCTTY);
    if (held != fd) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!holdStandardDescriptors()) return kExitFailure;
  const CommandLine cl = parseCommandLine(argc, argv);
  if (!cl.error.empty()) {
    warnConsole(cl.error + "\nTry 'vetrel --help'.");
    return kExitUsage;
  }
  switch (cl.command) {
    case Command::Help:
      return writeConsole(consoleOut, usageText(cl.helpFor)) ? kExitOk : kExitFailure;
    case Command::Version:
      return writeConsole(consoleOut, std::string("vetrel ") + programVersion() + "\n")
                 ? kExitOk
                 : kExitFailure;
    case Command::Routes:
      return runRoutes(cl);
    case Command::Neighbours:
      return runNeighbours(cl);
    case Command::Settings:
      return runSettings(cl);
    case Command::Route:
      return runRoute(cl);
    case Command::Monitor:
    case Command::Scan: {
      const int code = cl.command == Command::Monitor ? runMonitor(cl) : runScan(cl);
      // Detached threads (route watch, signals, a mail send) may still run; leaving without
      // the static destructors keeps them from touching destroyed state.
      std::fflush(nullptr);
      ::_exit(code);
    }
    case Command::None:
      break;
  }
  return kExitUsage;
}
