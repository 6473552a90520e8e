// The console program's command line.
#include <gtest/gtest.h>

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
}

TEST(ConsoleCommandLine, HelpWinsOverEverythingElse) {
  EXPECT_EQ(parse({"--help"}).command, Command::Help);
  EXPECT_EQ(parse({"monitor", "-h"}).command, Command::Help);
  EXPECT_EQ(parse({"help"}).command, Command::Help);
  EXPECT_EQ(parse({"routes", "extra", "--help"}).error, "");
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
