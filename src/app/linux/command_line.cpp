#include "app/linux/command_line.h"

#include <string_view>

namespace {

struct CommandName {
  const char* name;
  Command command;
  std::size_t minOperands;
  std::size_t maxOperands;
};

constexpr CommandName kCommands[] = {
    {"monitor", Command::Monitor, 0, 0},
    {"routes", Command::Routes, 0, 0},
    {"scan", Command::Scan, 1, 2},
    {"help", Command::Help, 0, 0},
    {"version", Command::Version, 0, 0},
    // Their operands are checked by the commands themselves.
    {"settings", Command::Settings, 0, 256},
    {"route", Command::Route, 0, 5},
};

// A decimal number from low to high, nothing else.
bool parseBounded(std::string_view text, int low, int high, int& value) {
  if (text.empty() || text.size() > 9) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < low || v > high) return false;
  value = v;
  return true;
}

// Options that only `vetrel scan` takes.
struct ScanOption {
  const char* name;
  bool takesValue;
};
constexpr ScanOption kScanOptions[] = {
    {"--threads", true}, {"--repeat", true}, {"--names", false}, {"--compare", false}};

// --listen alone (the monitor's adapters) or --listen=IFACE[,IFACE...]; no empty names.
bool parseListenList(std::string_view arg, std::vector<std::string>& names) {
  names.clear();
  if (arg == "--listen") return true;
  std::string_view list = arg.substr(9);
  for (;;) {
    const std::size_t comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    if (name.empty()) return false;
    names.emplace_back(name);
    if (comma == std::string_view::npos) return true;
    list.remove_prefix(comma + 1);
  }
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
  CommandLine cl;
  bool help = false;
  bool version = false;
  std::size_t minOperands = 0, maxOperands = 0;
  std::string scanOnly;  // the first scan option seen, for the error of another command
  bool jsonSeen = false;
  bool listenSeen = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i] ? argv[i] : "";
    const ScanOption* scanOption = nullptr;
    for (const ScanOption& o : kScanOptions)
      if (arg == o.name || (o.takesValue && arg.starts_with(std::string(o.name) + "=")))
        scanOption = &o;
    if (scanOption) {
      const std::string name = scanOption->name;
      std::string_view value;
      if (scanOption->takesValue) {
        if (arg.size() > name.size()) {
          value = arg.substr(name.size() + 1);
        } else if (i + 1 < argc) {
          value = argv[++i];
        } else {
          cl.error = "option " + name + " needs a number";
          return cl;
        }
      }
      if (scanOnly.empty()) scanOnly = name;
      if (name == "--threads" && !parseBounded(value, 1, 16, cl.threads)) {
        cl.error = "option --threads needs a number from 1 to 16";
        return cl;
      }
      if (name == "--repeat" && !parseBounded(value, 1, 1440, cl.repeatMinutes)) {
        cl.error = "option --repeat needs a number of minutes from 1 to 1440";
        return cl;
      }
      if (name == "--names") cl.names = true;
      if (name == "--compare") cl.compare = true;
    } else if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else if (arg == "--utf8") {
      cl.forceUtf8 = true;
    } else if (arg == "--cp1251") {
      cl.forceCp1251 = true;
    } else if (arg == "--stats") {
      cl.stats = true;
    } else if (arg == "--json") {
      jsonSeen = true;
    } else if (arg == "--listen" || arg.starts_with("--listen=")) {
      listenSeen = true;
      if (!parseListenList(arg, cl.listenInterfaces)) {
        cl.error = "option --listen= needs interface names separated by commas";
        return cl;
      }
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
          minOperands = c.minOperands;
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
  if (version || cl.command == Command::Version) {
    cl.command = Command::Version;
    return cl;
  }
  if (cl.forceUtf8 && cl.forceCp1251) {
    cl.error = "options --utf8 and --cp1251 exclude each other";
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
  if (cl.operands.size() < minOperands) {
    cl.error = "the first address of the range is missing";
    return cl;
  }
  if (!scanOnly.empty() && cl.command != Command::Scan) {
    cl.error = "option " + scanOnly + " belongs to the scan command";
    return cl;
  }
  if (listenSeen && cl.command != Command::Monitor) {
    cl.error = "option --listen belongs to the monitor command";
    return cl;
  }
  cl.listen = listenSeen;
  // Only the commands that journal have lines to print as JSON.
  if (jsonSeen && cl.command != Command::Monitor && cl.command != Command::Scan) {
    cl.error = "option --json belongs to the monitor and scan commands";
    return cl;
  }
  cl.json = jsonSeen;
  if (cl.dir.empty()) cl.error = "the data directory must not be empty";
  return cl;
}

const char* usageText() {
  return "Usage: vetrel monitor [--dir DIR] [--utf8|--cp1251] [--stats] [--json]\n"
         "                      [--listen[=IFACE[,IFACE...]]]\n"
         "       vetrel routes  [--dir DIR] [--utf8|--cp1251]\n"
         "       vetrel scan    [--dir DIR] [--threads N] [--names] [--compare]\n"
         "                      [--repeat MINUTES] [--utf8|--cp1251] [--json] FROM [TO]\n"
         "       vetrel settings [--dir DIR] [set KEY=VALUE... | set-password]\n"
         "       vetrel route add ADDRESS MASK GATEWAY [METRIC]\n"
         "       vetrel route delete ADDRESS MASK [GATEWAY]\n"
         "       vetrel version | --version\n"
         "\n"
         "Commands:\n"
         "  monitor   watch the ARP table: check it every CheckInt seconds against the\n"
         "            samples, report spoofing, new addresses and additional IPs, and\n"
         "            restore, block or learn as quorel.ini says; journal lines go to\n"
         "            stdout and, with WriteLog=1, to quorel.log. SIGINT, SIGTERM or SIGHUP\n"
         "            saves the static entries (SaveStat=1) and the settings and exits.\n"
         "            A change the kernel announces in its neighbour table runs a check\n"
         "            at once (at most one per 20 ms), besides the CheckInt timer.\n"
         "  routes    print the IPv4 route table (address, mask, gateway, interface,\n"
         "            metric) and exit\n"
         "  scan      probe every address from FROM to TO (TO defaults to FROM; at most\n"
         "            65536) by ARP and print each live host as IP TAB MAC TAB name TAB\n"
         "            vendor, in address order (the vendor from ieee-data, empty when\n"
         "            unknown); with compare, journal lines go to stderr and, with\n"
         "            WriteLog=1, to quorel.log, and learned samples to samples.dat. The\n"
         "            summary (found, probed, seconds) goes to stderr. With --json, hosts\n"
         "            and journal lines go to stdout, each as one JSON object. Journal lines\n"
         "            also go to the syslog collector when SyslogServer is set. SIGINT stops\n"
         "            the pass: addresses already taken are finished and shown; a second\n"
         "            SIGINT exits at once with 130. Needs CAP_NET_RAW (root).\n"
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
         "  version   print the version (and the git commit it was built from) and exit\n"
         "\n"
         "Options:\n"
         "  -d, --dir DIR  data directory holding quorel.ini, samples.dat, statics.dat\n"
         "                 and quorel.log (default: the current directory)\n"
         "  --utf8         print UTF-8 whatever the locale (without it, text is printed in\n"
         "                 the locale's character set; UTF-8 under C/POSIX)\n"
         "  --cp1251       print the Windows-1251 bytes of the log file unchanged\n"
         "  --version      print the version and exit\n"
         "  --stats        monitor: print tick timing and memory use to stderr at exit\n"
         "  --json         monitor, scan: each journal line as one JSON object (UTF-8) on\n"
         "                 stdout: time, kind, text and the addresses the line names; scan\n"
         "                 prints each host as "
         "{\"time\",\"kind\":\"Host\",\"ip\",\"mac\",\"name\"}\n"
         "  --listen[=IFACE,...]  monitor: also read every ARP frame on the adapters (or\n"
         "                 the interfaces named) and compare each new or changed sender\n"
         "                 binding with the samples as a changed cache row; the newest\n"
         "                 65536 bindings are remembered. Needs CAP_NET_RAW; an interface\n"
         "                 that cannot be opened exits 2 at start\n"
         "  --threads N    scan: N workers, 1 to 16 (default MaxScanThreads)\n"
         "  --names        scan: look up host names too (ScanGetName=1 for this run)\n"
         "  --compare      scan: compare the hosts with the samples (ScanCheckMac=1)\n"
         "  --repeat MIN   scan: run a pass every MIN minutes (1 to 1440) until SIGINT\n"
         "  -h, --help     print this text\n"
         "\n"
         "Restoring, blocking and static entries write the kernel's neighbour table, and\n"
         "route add/delete its route table: they need CAP_NET_ADMIN (root); watching\n"
         "works without it.\n"
         "\n"
         "Exit codes: 0 success (monitor: stopped by SIGINT/SIGTERM; scan: also a pass\n"
         "stopped by SIGINT), 1 run-time failure (no network adapter, out of memory, route\n"
         "table unreadable, no scan worker started, a route refused or not found, settings\n"
         "held by a running monitor, unreadable or not writable), 2 bad command line (scan:\n"
         "an address that is not four dotted numbers, TO below FROM, more than 65536\n"
         "addresses), unusable data directory or a setting the checks refuse, 130 scan: a\n"
         "second SIGINT.\n";
}
