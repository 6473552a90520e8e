#include "app/linux/help_text.h"

namespace {

struct CommandHelp {
  Command command;
  const char* usage;
  const char* text;  // what it does, its files, its own options
};

constexpr const char* kDirOption =
    "  -d, --dir DIR  the data directory (default: the current directory)\n";
constexpr const char* kCharsetOptions =
    "  --utf8         print UTF-8 whatever the locale (without it, text is printed in\n"
    "                 the locale's character set; UTF-8 under C/POSIX)\n"
    "  --cp1251       print the Windows-1251 bytes of the log file unchanged\n";

constexpr CommandHelp kHelp[] = {
    {Command::Monitor,
     "vetrel monitor [--dir DIR] [--utf8|--cp1251] [--stats] [--json]\n"
     "               [--listen[=IFACE[,IFACE...]]]\n",
     "Watches the ARP table: checks it every CheckInt seconds against the samples,\n"
     "reports spoofing, new addresses and additional IPs, and restores, blocks or\n"
     "learns as quorel.ini says. A change the kernel announces in its neighbour table\n"
     "runs a check at once (at most one per 20 ms). With WatchIpv6=1 the IPv6\n"
     "neighbours are checked against samples6.dat the same way, and default routers on\n"
     "the kernel's IPv6 route events. Journal lines go to stdout and, with WriteLog=1,\n"
     "to quorel.log. SIGINT or SIGTERM saves the static entries (SaveStat=1) and the\n"
     "settings and exits 0; SIGHUP reopens quorel.log after log rotation (and ends the\n"
     "monitor only when its terminal was closed).\n"
     "Files, all in DIR: reads quorel.ini, samples.dat, samples6.dat (WatchIpv6=1),\n"
     "statics.dat (SaveStat=1); writes quorel.log (created by its first line),\n"
     "samples.dat and samples6.dat (learning), statics.dat and quorel.ini at exit, and\n"
     "holds monitor.lock.\n"
     "  --stats        print tick timing and memory use to stderr at exit\n"
     "  --json         each journal line as one JSON object (UTF-8) on stdout: time,\n"
     "                 kind, text and the addresses and vendors the line names\n"
     "  --listen[=IFACE,...]  also read every ARP frame on the adapters (or the\n"
     "                 interfaces named) and compare each new or changed sender binding\n"
     "                 with the samples as a changed cache row; the newest 65536\n"
     "                 bindings are remembered. Needs CAP_NET_RAW; an interface that\n"
     "                 cannot be opened exits 2 at start\n"},
    {Command::Routes, "vetrel routes [--dir DIR] [--utf8|--cp1251]\n",
     "Prints the IPv4 route table (address, mask, gateway, interface, metric) and\n"
     "exits. Files: none are read or written.\n"},
    {Command::Neighbours, "vetrel neighbours [--dir DIR] [--utf8|--cp1251]\n",
     "Prints the IPv6 neighbour table (address, MAC, type, interface, router, the\n"
     "name samples6.dat gives the binding) and exits: the rows the monitor compares,\n"
     "those with a MAC and a unicast address. Files: reads DIR/quorel.ini and\n"
     "DIR/samples6.dat; writes nothing.\n"},
    {Command::Scan,
     "vetrel scan [--dir DIR] [--threads N] [--names] [--compare] [--repeat MINUTES]\n"
     "            [--interface IFACE] [--utf8|--cp1251] [--json]\n"
     "            FROM [TO] | ADDRESS/BITS | FROM-TO | --localnet\n",
     "Probes every address of the range by ARP (at most 65536; TO defaults to FROM;\n"
     "ADDRESS/BITS: the hosts of that network) and prints each live host as IP TAB\n"
     "MAC TAB name TAB vendor, in address order (the vendor from ieee-data, empty\n"
     "when unknown). The summary (found, probed, seconds) goes to stderr. With\n"
     "--compare, journal lines go to stderr, to quorel.log (WriteLog=1) and to the\n"
     "syslog collector (SyslogServer). SIGINT stops the pass: addresses already taken\n"
     "are finished and shown; a second SIGINT exits at once with 130. Needs\n"
     "CAP_NET_RAW (root): without it, or when the range lies off every interface's\n"
     "subnets, it exits 1 without probing.\n"
     "Files, all in DIR: reads quorel.ini, samples.dat; with --compare writes\n"
     "samples.dat (learned hosts) and quorel.log (WriteLog=1, only when a line is\n"
     "journalled); nothing else.\n"
     "  -I, --interface IFACE  probe from IFACE only: the range must lie in its subnet\n"
     "  -l, --localnet  the range is the subnet of the first adapter (or of IFACE),\n"
     "                 hosts only, as the scan tab first offers it\n"
     "  --threads N    N workers, 1 to 16 (default MaxScanThreads)\n"
     "  --names        look up host names too (ScanGetName=1 for this run)\n"
     "  --compare      compare the hosts with the samples (ScanCheckMac=1)\n"
     "  --repeat MIN   run a pass every MIN minutes (1 to 1440) until SIGINT\n"
     "  --json         hosts and journal lines on stdout, each as one JSON object:\n"
     "                 {\"time\",\"kind\":\"Host\",\"ip\",\"mac\",\"name\",\"vendor\"}\n"},
    {Command::Settings, "vetrel settings [--dir DIR] [set KEY=VALUE... | set-password]\n",
     "Prints every setting of quorel.ini with its value and warns about values the\n"
     "settings dialog would refuse. 'set KEY=VALUE...' checks them as the dialog does\n"
     "(exit 2 and nothing written when one fails) and writes quorel.ini; MsgMask and\n"
     "MailMask take a number or event names joined by commas (Spoofing, NewAddress,\n"
     "AdditionalIp, RouteChange, ProgramError, MailError); RunOnStart enables or\n"
     "disables the packaged vetrel.service (or writes a unit of its own when there is\n"
     "none) and says which. 'set-password' reads the mail password (typed twice\n"
     "without echo, or one line of stdin) and stores it sealed. Editing is refused\n"
     "while a monitor runs on the directory.\n"
     "Files: reads and writes DIR/quorel.ini only (RunOnStart: the systemd unit).\n"},
    {Command::Route,
     "vetrel route add ADDRESS MASK GATEWAY [METRIC]\n"
     "vetrel route delete ADDRESS MASK [GATEWAY]\n",
     "Adds a route (the kernel's metric is its priority) or deletes the routes to\n"
     "ADDRESS/MASK (through GATEWAY when given); ADDRESS, MASK and GATEWAY need 7 to\n"
     "19 characters. Needs CAP_NET_ADMIN. Files: none are read or written.\n"},
    {Command::Version, "vetrel version | --version\n",
     "Prints the version (and the git commit it was built from) and exits.\n"},
};

constexpr const char* kPrivileges =
    "Restoring, blocking and static entries write the kernel's neighbour table, and\n"
    "route add/delete its route table: they need CAP_NET_ADMIN (root); watching\n"
    "works without it.\n";

constexpr const char* kExitCodes =
    "Exit codes: 0 success (monitor: stopped by SIGINT/SIGTERM; scan: also a pass\n"
    "stopped by SIGINT), 1 run-time failure (no network adapter, out of memory, route\n"
    "table unreadable, no scan worker started, no CAP_NET_RAW for a scan or a range\n"
    "off every subnet, a route refused or not found, settings held by a running\n"
    "monitor, unreadable or not writable, RunOnStart not applied), 2 bad command line\n"
    "(scan: an address that is not four dotted numbers, TO below FROM, more than 65536\n"
    "addresses, an unknown interface), unusable data directory or a setting the checks\n"
    "refuse, 130 scan: a second SIGINT.\n";

bool takesDir(Command c) { return c != Command::Route && c != Command::Version; }

// Every line of a usage indented by two blanks.
std::string indented(const char* usage) {
  std::string out;
  for (const char* c = usage; *c; ++c) {
    if (c == usage || c[-1] == '\n') out += "  ";
    out += *c;
  }
  return out;
}
bool takesCharset(Command c) { return c != Command::Route && c != Command::Version; }

}  // namespace

std::string usageText(Command about) {
  for (const CommandHelp& h : kHelp)
    if (h.command == about) {
      std::string text = h.text;
      const std::size_t options = text.find("\n  ");
      text.insert(options == std::string::npos ? text.size() : options + 1, "\nOptions:\n");
      std::string out = std::string("Usage: ") + h.usage + "\n" + text;
      if (takesDir(about)) out += kDirOption;
      if (takesCharset(about)) out += kCharsetOptions;
      return out + "  -h, --help     print this text\n\n" + kExitCodes;
    }
  std::string out = "Usage:\n";
  for (const CommandHelp& h : kHelp) out += indented(h.usage);
  out += "  vetrel help [COMMAND] | COMMAND --help\n\n";
  for (const CommandHelp& h : kHelp) {
    const std::string usage = h.usage;
    out += usage.substr(0, usage.find(' ', 7)) + ":\n" + h.text + "\n";
  }
  return out + "Options of every command:\n" + kDirOption + kCharsetOptions +
         "  -h, --help     print the help of the command given, or all of it\n"
         "  --version      print the version and exit\n\n" +
         kPrivileges + "\n" + kExitCodes;
}
