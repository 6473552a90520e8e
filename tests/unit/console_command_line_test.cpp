// The console program's command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/linux/command_line.h"

namespace {
CommandLine parse(std::vector<const char*> args) {
  args.insert(args.begin(), "vetrel");
  return parseCommandLine(static_cast<int>(args.size()), args.data());
}
}  // namespace

TEST(ConsoleCommandLine, CommandsAndOptionsInAnyOrder) {
  CommandLine a = parse({"monitor", "--dir", "/var/lib/vetrel", "--stats"});
  EXPECT_EQ(a.error, "");
  EXPECT_EQ(a.command, Command::Monitor);
  EXPECT_EQ(a.dir, "/var/lib/vetrel");
  EXPECT_TRUE(a.stats);
  EXPECT_FALSE(a.forceUtf8);

  CommandLine b = parse({"--utf8", "--dir=x y", "routes"});
  EXPECT_EQ(b.error, "");
  EXPECT_EQ(b.command, Command::Routes);
  EXPECT_EQ(b.dir, "x y");
  EXPECT_TRUE(b.forceUtf8);

  EXPECT_EQ(parse({"routes"}).dir, ".");
  EXPECT_EQ(parse({"scan", "-dx", "--", "-1"}).operands, std::vector<std::string>{"-1"});
}

TEST(ConsoleCommandLine, HelpWinsOverEverythingElse) {
  EXPECT_EQ(parse({"--help"}).command, Command::Help);
  EXPECT_EQ(parse({"monitor", "-h"}).command, Command::Help);
  EXPECT_EQ(parse({"help"}).command, Command::Help);
  EXPECT_EQ(parse({"routes", "extra", "--help"}).error, "");
}

TEST(ConsoleCommandLine, VersionAndCharsetOptions) {
  EXPECT_EQ(parse({"--version"}).command, Command::Version);
  EXPECT_EQ(parse({"version"}).command, Command::Version);
  EXPECT_EQ(parse({"scan", "--version"}).command, Command::Version);
  EXPECT_TRUE(parse({"monitor", "--cp1251"}).forceCp1251);
  EXPECT_EQ(parse({"monitor", "--cp1251", "--utf8"}).error,
            "options --utf8 and --cp1251 exclude each other");
  EXPECT_EQ(parse({"version", "x"}).command, Command::Version);
}

TEST(ConsoleCommandLine, UnusableLinesSayWhy) {
  EXPECT_EQ(parse({}).error, "no command given");
  EXPECT_EQ(parse({"--stats"}).error, "no command given");
  EXPECT_EQ(parse({"watch"}).error, "unknown command 'watch'");
  EXPECT_EQ(parse({"monitor", "--verbose"}).error, "unknown option --verbose");
  EXPECT_EQ(parse({"monitor", "--dir"}).error, "option --dir needs a directory");
  EXPECT_EQ(parse({"monitor", "--dir="}).error, "the data directory must not be empty");
  EXPECT_EQ(parse({"routes", "10.0.0.1"}).error, "unexpected argument '10.0.0.1'");
}

// The scan lab runs the options on real scans; here the forms and refusals it does not.
TEST(ConsoleCommandLine, ScanTakesARangeAndItsOwnOptions) {
  CommandLine a = parse({"scan", "--repeat=5", "10.0.0.1", "--names", "10.0.0.254"});
  EXPECT_EQ(a.error, "");
  EXPECT_EQ(a.repeatMinutes, 5);
  EXPECT_EQ(a.operands, (std::vector<std::string>{"10.0.0.1", "10.0.0.254"}));

  struct {
    std::vector<const char*> args;
    const char* error;
  } const bad[] = {
      {{"scan"}, "the first address of the range is missing"},
      {{"scan", "a", "b", "c"}, "unexpected argument 'c'"},
      {{"scan", "--threads", "0", "a"}, "option --threads needs a number from 1 to 16"},
      {{"scan", "--threads", "4x", "a"}, "option --threads needs a number from 1 to 16"},
      {{"scan", "a", "--threads"}, "option --threads needs a number"},
      {{"scan", "--repeat", "0", "a"}, "option --repeat needs a number of minutes from 1 to 1440"},
      {{"monitor", "--names"}, "option --names belongs to the scan command"},
  };
  for (const auto& c : bad) EXPECT_EQ(parse(c.args).error, c.error) << c.args.size();
}

TEST(ConsoleCommandLine, JsonOnlyForTheCommandsThatJournal) {
  struct {
    std::vector<const char*> args;
    const char* error;
    bool json;
  } const cases[] = {
      {{"--json", "scan", "--compare", "10.0.0.1"}, "", true},
      {{"settings", "--json"}, "option --json belongs to the monitor and scan commands", false},
      {{"routes", "--json", "--help"}, "", false},
  };
  for (const auto& c : cases) {
    const CommandLine cl = parse(c.args);
    EXPECT_EQ(cl.error, c.error) << c.args[0];
    EXPECT_EQ(cl.json, c.json) << c.args[0];
  }
}

TEST(ConsoleCommandLine, ListenTakesTheAdaptersOrNamedInterfaces) {
  const char* const names = "option --listen= needs interface names separated by commas";
  struct {
    std::vector<const char*> args;
    const char* error;
    bool listen;
    std::vector<std::string> names;
  } const cases[] = {
      {{"monitor"}, "", false, {}},
      {{"monitor", "--listen"}, "", true, {}},
      {{"--listen=eth0", "monitor"}, "", true, {"eth0"}},
      {{"monitor", "--listen=eth0,br-lan"}, "", true, {"eth0", "br-lan"}},
      {{"monitor", "--listen=eth0", "--listen=eth1,eth0"}, "", true, {"eth0", "eth1"}},
      {{"monitor", "--listen="}, names, false, {}},
      {{"monitor", "--listen=eth0,"}, names, false, {}},
      {{"scan", "--listen", "10.0.0.1"},
       "option --listen belongs to the monitor command",
       false,
       {}},
  };
  for (const auto& c : cases) {
    const CommandLine cl = parse(c.args);
    EXPECT_EQ(cl.error, c.error) << c.args[1];
    if (*c.error) continue;
    EXPECT_EQ(cl.listen, c.listen) << c.args[1];
    EXPECT_EQ(cl.listenInterfaces, c.names) << c.args[1];
  }
}

TEST(ConsoleCommandLine, ScanTargetsInterfaceAndHelpForOneCommand) {
  const CommandLine l = parse({"scan", "-l", "-I", "eth1"});
  EXPECT_EQ(l.error, "");
  EXPECT_TRUE(l.localnet);
  EXPECT_EQ(l.interfaceName, "eth1");
  EXPECT_EQ(parse({"scan", "--localnet", "10.0.0.1"}).error,
            "option --localnet takes no range: give one or the other");
  EXPECT_EQ(parse({"scan"}).error, "the first address of the range is missing");
  EXPECT_EQ(parse({"monitor", "-l"}).error, "option --localnet belongs to the scan command");
  EXPECT_EQ(parse({"monitor", "--help"}).helpFor, Command::Monitor);
  EXPECT_EQ(parse({"help", "scan"}).helpFor, Command::Scan);
  EXPECT_EQ(parse({"help", "scna"}).error, "unknown command 'scna'");
}
