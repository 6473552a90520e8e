#include "app/linux/command_line.h"

#include <getopt.h>

#include <algorithm>
#include <array>
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

constexpr unsigned bit(Command c) { return 1u << static_cast<unsigned>(c); }
constexpr unsigned kAnyCommand = 0;

// getopt_long's value for each option; a letter is also the short form.
enum OptionId : int {
  kOperand = 1,  // a non-option, handed back in order
  kHelp = 'h',
  kDir = 'd',
  kVersion = 256,  // the first without a short form
  kUtf8,
  kCp1251,
  kStats,
  kJson,
  kListen,
  kThreads,
  kRepeat,
  kNames,
  kCompare,
};

struct OptionSpec {
  const char* name;
  int hasArg;  // no_argument, required_argument or optional_argument
  OptionId id;
  unsigned commands;                  // the commands that take it (kAnyCommand: all)
  bool CommandLine::*flag = nullptr;  // set when the option is written
  const char* needs = nullptr;        // what a missing value is, for the message
};

// Every option. A command given options it does not take is refused naming the first
// kind of them in this order, and of that kind the one written first.
constexpr OptionSpec kOptions[] = {
    {"help", no_argument, kHelp, kAnyCommand},
    {"version", no_argument, kVersion, kAnyCommand},
    {"dir", required_argument, kDir, kAnyCommand, nullptr, "a directory"},
    {"utf8", no_argument, kUtf8, kAnyCommand, &CommandLine::forceUtf8},
    {"cp1251", no_argument, kCp1251, kAnyCommand, &CommandLine::forceCp1251},
    {"stats", no_argument, kStats, kAnyCommand, &CommandLine::stats},
    {"threads", required_argument, kThreads, bit(Command::Scan), nullptr, "a number"},
    {"repeat", required_argument, kRepeat, bit(Command::Scan), nullptr, "a number"},
    {"names", no_argument, kNames, bit(Command::Scan), &CommandLine::names},
    {"compare", no_argument, kCompare, bit(Command::Scan), &CommandLine::compare},
    {"listen", optional_argument, kListen, bit(Command::Monitor)},
    {"json", no_argument, kJson, bit(Command::Monitor) | bit(Command::Scan)},
};
constexpr std::size_t kOptionCount = std::size(kOptions);

// "-" hands non-options back in order (whatever POSIXLY_CORRECT says); ":" keeps getopt quiet.
std::string shortOptions() {
  std::string text = "-:";
  for (const OptionSpec& o : kOptions) {
    if (o.id >= kVersion) continue;
    text += static_cast<char>(o.id);
    if (o.hasArg == required_argument) text += ':';
  }
  return text;
}

std::array<option, kOptionCount + 1> longOptions() {
  std::array<option, kOptionCount + 1> table{};
  for (std::size_t i = 0; i < kOptionCount; ++i)
    table[i] = {kOptions[i].name, kOptions[i].hasArg, nullptr, kOptions[i].id};
  return table;
}

std::size_t specIndex(int id) {
  std::size_t i = 0;
  while (i < kOptionCount && kOptions[i].id != id) ++i;
  return i;
}

// "the scan command", "the monitor and scan commands".
std::string ownersText(unsigned commands) {
  std::vector<std::string_view> names;
  for (const CommandName& c : kCommands)
    if (commands & bit(c.command)) names.emplace_back(c.name);
  std::string text = "the ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
    text += names[i];
  }
  return text + (names.size() > 1 ? " commands" : " command");
}

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

// --listen alone (the monitor's adapters) or --listen=IFACE[,IFACE...]; no empty names.
// Given more than once, the names of all of them, each once.
bool parseListenList(const char* value, std::vector<std::string>& names) {
  if (!value) return true;
  std::string_view list = value;
  for (;;) {
    const std::size_t comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    if (name.empty()) return false;
    if (std::find(names.begin(), names.end(), name) == names.end()) names.emplace_back(name);
    if (comma == std::string_view::npos) return true;
    list.remove_prefix(comma + 1);
  }
}

struct ParseState {
  CommandLine cl;
  std::size_t minOperands = 0, maxOperands = 0;
  std::array<int, kOptionCount> seenAt{};  // 1 + the order an option was first written; 0: not
  int seenCount = 0;
  bool seen(OptionId id) const { return seenAt[specIndex(id)] != 0; }
};

void takeOperand(ParseState& s, std::string_view arg) {
  CommandLine& cl = s.cl;
  if (cl.command != Command::None) {
    cl.operands.emplace_back(arg);
    return;
  }
  for (const CommandName& c : kCommands)
    if (arg == c.name) {
      cl.command = c.command;
      s.minOperands = c.minOperands;
      s.maxOperands = c.maxOperands;
    }
  if (cl.command == Command::None) cl.error = "unknown command '" + std::string(arg) + "'";
}

// One option as getopt_long found it; sets cl.error when its value is unusable.
void takeOption(ParseState& s, std::size_t index, const char* value) {
  CommandLine& cl = s.cl;
  const OptionSpec& o = kOptions[index];
  if (s.seenAt[index] == 0) s.seenAt[index] = ++s.seenCount;
  if (o.flag) cl.*o.flag = true;
  if (o.id == kDir) cl.dir = value;
  if (o.id == kListen && !parseListenList(value, cl.listenInterfaces))
    cl.error = "option --listen= needs interface names separated by commas";
  if (o.id == kThreads && !parseBounded(value, 1, 16, cl.threads))
    cl.error = "option --threads needs a number from 1 to 16";
  if (o.id == kRepeat && !parseBounded(value, 1, 1440, cl.repeatMinutes))
    cl.error = "option --repeat needs a number of minutes from 1 to 1440";
}

// The first option written whose command does not take it, of the first such kind.
std::string refusedOption(const ParseState& s) {
  const unsigned command = bit(s.cl.command);
  const OptionSpec* refused = nullptr;
  int refusedAt = 0;
  for (std::size_t i = 0; i < kOptionCount; ++i) {
    const OptionSpec& o = kOptions[i];
    if (s.seenAt[i] == 0 || o.commands == kAnyCommand || (o.commands & command)) continue;
    if (!refused || (o.commands == refused->commands && s.seenAt[i] < refusedAt)) {
      refused = &o;
      refusedAt = s.seenAt[i];
    }
  }
  if (!refused) return {};
  return "option --" + std::string(refused->name) + " belongs to " + ownersText(refused->commands);
}

// Reads argv in order with getopt_long; false with cl.error set at the first unusable word.
bool readWords(ParseState& s, int argc, const char* const* argv) {
  static const std::string shorts = shortOptions();
  static const std::array<option, kOptionCount + 1> longs = longOptions();
  // Handing non-options back in order, getopt never permutes argv.
  char* const* words = const_cast<char* const*>(argv);
  optind = 0;  // a fresh scan, also after one that stopped inside "-hd"
  for (;;) {
    const int at = optind == 0 ? 1 : optind;  // the word getopt reads next
    const int id = getopt_long(argc, words, shorts.c_str(), longs.data(), nullptr);
    if (id == -1) break;
    const std::string_view word = argv[at];
    if (id == '?') {
      s.cl.error = "unknown option " + std::string(word);
    } else if (id == ':') {
      const OptionSpec& o = kOptions[specIndex(optopt)];
      const std::string name =
          word.starts_with("--") ? "--" + std::string(o.name) : std::string{'-', char(o.id)};
      s.cl.error = "option " + name + " needs " + o.needs;
    } else if (id == kOperand) {
      takeOperand(s, optarg);
    } else {
      takeOption(s, specIndex(id), optarg);
    }
    if (!s.cl.error.empty()) return false;
  }
  // Words after "--" are operands even when they start with "-".
  for (; optind < argc && s.cl.error.empty(); ++optind) takeOperand(s, argv[optind]);
  return s.cl.error.empty();
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
  ParseState s;
  CommandLine& cl = s.cl;
  if (!readWords(s, argc, argv)) return cl;
  if (s.seen(kHelp) || cl.command == Command::Help) {
    cl.command = Command::Help;
    return cl;
  }
  if (s.seen(kVersion) || cl.command == Command::Version) {
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
  if (cl.operands.size() > s.maxOperands) {
    cl.error = "unexpected argument '" + cl.operands[s.maxOperands] + "'";
    return cl;
  }
  if (cl.operands.size() < s.minOperands) {
    cl.error = "the first address of the range is missing";
    return cl;
  }
  cl.error = refusedOption(s);
  if (!cl.error.empty()) return cl;
  // Only once the command takes them: help and refusals leave them unset.
  cl.listen = s.seen(kListen);
  cl.json = s.seen(kJson);
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
