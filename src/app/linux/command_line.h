#pragma once
// The console program's command line: vetrel COMMAND [options].
#include <string>
#include <vector>

// Process exit codes, documented in --help and the README.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // start-up or run-time failure
inline constexpr int kExitUsage = 2;    // bad command line or data directory

enum class Command { None, Help, Version, Monitor, Routes, Settings, Route, Scan, Neighbours };

struct CommandLine {
  Command command = Command::None;
  Command helpFor = Command::None;  // Help: the command whose part is asked for
  std::string dir = ".";            // --dir, the data directory
  bool forceUtf8 = false;           // --utf8
  bool forceCp1251 = false;         // --cp1251: the log's own bytes, whatever the locale
  bool stats = false;               // --stats: tick timing and memory on stderr at exit
  bool json = false;                // --json: journal lines as JSON objects on stdout
  // monitor --listen[=IFACE,...]: ARP frames read off the wire too (the names: only these)
  bool listen = false;
  std::vector<std::string> listenInterfaces;
  // scan: overrides of the settings for this run only (0 / false: as quorel.ini says)
  int threads = 0;                    // --threads N, 1 to 16
  bool names = false;                 // --names
  bool compare = false;               // --compare
  int repeatMinutes = 0;              // --repeat MINUTES, 1 to 1440; 0 runs one pass
  std::string interfaceName;          // --interface/-I IFACE: probe from it only
  bool localnet = false;              // --localnet/-l: the range is the adapter's subnet
  std::vector<std::string> operands;  // positional arguments after the command
  std::string error;                  // non-empty: the command line is unusable
};

CommandLine parseCommandLine(int argc, const char* const* argv);
