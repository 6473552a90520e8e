#include "app/linux/command_line.h"

#include <string_view>

namespace {

struct CommandName {
  const char* name;
  Command command;
  std::size_t maxOperands;
};

// A future subcommand with address operands slots in here.
constexpr CommandName kCommands[] = {
    {"monitor", Command::Monitor, 0},
    {"routes", Command::Routes, 0},
    {"help", Command::Help, 0},
    // Their operands are checked by the commands themselves.
    {"settings", Command::Settings, 256},
    {"route", Command::Route, 5},
};

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
  CommandLine cl;
  bool help = false;
  std::size_t maxOperands = 0;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i] ? argv[i] : "";
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--utf8") {
      cl.forceUtf8 = true;
    } else if (arg == "--stats") {
      cl.stats = true;
    } else if (arg == "--json") {
      cl.json = true;
    } else if (arg == "--dir" || arg == "-d") {
      if (i + 1 >= argc) {
        cl.error = "option " + std::string(arg) + " needs a directory";
        return cl;
      }
      cl.dir = argv[++i];
    } else if (arg.starts_with("--dir=")) {
      cl.dir = std::string(arg.substr(6));
    } else if (arg.starts_with("-") && arg != "-") {
      cl.error = "unknown option " + std::string(arg);
      return cl;
    } else if (cl.command == Command::None) {
      for (const CommandName& c : kCommands)
        if (arg == c.name) {
          cl.command = c.command;
          maxOperands = c.maxOperands;
        }
      if (cl.command == Command::None) {
        cl.error = "unknown command '" + std::string(arg) + "'";
        return cl;
      }
    } else {
      cl.operands.emplace_back(arg);
    }
  }
  if (help || cl.command == Command::Help) {
    cl.command = Command::Help;
    return cl;
  }
  if (cl.command == Command::None) {
    cl.error = "no command given";
    return cl;
  }
  if (cl.operands.size() > maxOperands) {
    cl.error = "unexpected argument '" + cl.operands[maxOperands] + "'";
    return cl;
  }
  if (cl.dir.empty()) cl.error = "the data directory must not be empty";
  return cl;
}

const char* usageText() {
  return "Usage: vetrel COMMAND [--dir DIR] [--utf8] [--stats] [--json]\n"
         "       vetrel settings [--dir DIR] [set KEY=VALUE... | set-password]\n"
         "       vetrel route add ADDRESS MASK GATEWAY [METRIC]\n"
         "       vetrel route delete ADDRESS MASK [GATEWAY]\n"
         "\n"
         "Commands:\n"
         "  monitor   watch the ARP table: check it every CheckInt seconds against the\n"
         "            samples, report spoofing, new addresses and additional IPs, and\n"
         "            restore, block or learn as quorel.ini says; journal lines go to\n"
         "            stdout and, with WriteLog=1, to quorel.log. SIGINT, SIGTERM or SIGHUP\n"
         "            saves the static entries (SaveStat=1) and the settings and exits.\n"
         "  routes    print the IPv4 route table (address, mask, gateway, interface,\n"
         "            metric) and exit\n"
         "  settings  print every setting of quorel.ini with its value and warn about values\n"
         "            the settings dialog would refuse; 'set KEY=VALUE...' checks them as\n"
         "            the dialog does (exit 2 and nothing written when one fails) and writes\n"
         "            quorel.ini; MsgMask and MailMask take a number or event names joined\n"
         "            by commas (Spoofing, NewAddress, AdditionalIp, RouteChange,\n"
         "            ProgramError, MailError); 'set-password' reads the mail password\n"
         "            (typed twice without echo, or one line of stdin) and stores it sealed.\n"
         "            Editing is refused while a monitor runs on the directory.\n"
         "  route     add a route (the kernel's metric is its priority) or delete the\n"
         "            routes to ADDRESS/MASK (through GATEWAY when given); ADDRESS, MASK\n"
         "            and GATEWAY need 7 to 19 characters\n"
         "  help      print this text\n"
         "\n"
         "Options:\n"
         "  -d, --dir DIR  data directory holding quorel.ini, samples.dat, statics.dat\n"
         "                 and quorel.log (default: the current directory)\n"
         "  --utf8         print UTF-8 even when stdout is not a terminal (otherwise the\n"
         "                 lines are the Windows-1251 bytes of the log file)\n"
         "  --stats        monitor: print tick timing and memory use to stderr at exit\n"
         "  --json         monitor: each journal line as one JSON object (UTF-8) on stdout:\n"
         "                 time, kind, text and the addresses the line names\n"
         "  -h, --help     print this text\n"
         "\n"
         "Restoring, blocking and static entries write the kernel's neighbour table, and\n"
         "route add/delete its route table: they need CAP_NET_ADMIN (root); watching\n"
         "works without it.\n"
         "\n"
         "Exit codes: 0 success (monitor: stopped by SIGINT/SIGTERM), 1 run-time failure\n"
         "(no network adapter, out of memory, route table unreadable, a route refused or\n"
         "not found, settings held by a running monitor or not writable), 2 bad command\n"
         "line, unusable data directory or a setting the checks refuse.\n";
}
