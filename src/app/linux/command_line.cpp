#include "app/linux/command_line.h"

#include <getopt.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

struct CommandName {
  const char* name;
  Command command;
  std::size_t maxOperands;
};

constexpr CommandName kCommands[] = {
    {"monitor", Command::Monitor, 0},
    {"routes", Command::Routes, 0},
    {"neighbours", Command::Neighbours, 0},
    // FROM [TO], or one of ADDRESS/BITS and FROM-TO, or none with --localnet.
    {"scan", Command::Scan, 2},
    {"help", Command::Help, 1},  // help COMMAND
    {"version", Command::Version, 0},
    // Their operands are checked by the commands themselves.
    {"settings", Command::Settings, 256},
    {"route", Command::Route, 5},
};

constexpr unsigned bit(Command c) { return 1u << static_cast<unsigned>(c); }
constexpr unsigned kAnyCommand = 0;

// getopt_long's value for each option; a letter is also the short form.
enum OptionId : int {
  kOperand = 1,  // a non-option, handed back in order
  kHelp = 'h',
  kDir = 'd',
  kInterface = 'I',
  kLocalnet = 'l',
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
    {"interface", required_argument, kInterface, bit(Command::Scan), nullptr, "an interface name"},
    {"localnet", no_argument, kLocalnet, bit(Command::Scan), &CommandLine::localnet},
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
  std::size_t maxOperands = 0;
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
  if (o.id == kInterface) cl.interfaceName = value;
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
    cl.helpFor = cl.command;
    // help COMMAND: that command's part.
    if (cl.command == Command::Help && !cl.operands.empty()) {
      for (const CommandName& c : kCommands)
        if (cl.operands[0] == c.name) cl.helpFor = c.command;
      if (cl.helpFor == Command::Help) cl.error = "unknown command '" + cl.operands[0] + "'";
    }
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
  if (cl.command == Command::Scan && cl.localnet != cl.operands.empty()) {
    cl.error = cl.localnet ? "option --localnet takes no range: give one or the other"
                           : "the first address of the range is missing";
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
