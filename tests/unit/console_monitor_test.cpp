// The console monitor's start-up and shut-down order, against the fake platform, in a
// scratch data directory; and `vetrel routes` as printed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/linux/command_line.h"
#include "app/linux/commands/monitor_command.h"
#include "app/linux/commands/routes_command.h"
#include "app/linux/console/console_text.h"
#include "app/linux/runtime/console_session.h"
#include "arp/arp_table.h"
#include "arp/check_cycle.h"
#include "base/address.h"
#include "fake/fake_platform.h"
#include "report/journal.h"
#include "route/adapters.h"
#include "route/route_table.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace fs = std::filesystem;

namespace {

// Journal texts without their stamps, in order.
std::vector<std::string> texts(const std::string& log) {
  std::vector<std::string> out;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line.size() > 20 ? line.substr(20) : line);
  }
  return out;
}

class ConsoleMonitor : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    resetConsoleSession();
    resetCheckCycle();
    settings = Settings{};
    SampleList.clear();
    CacheList.clear();
    LastCacheList.clear();
    LocalAdapterList.clear();
    LocalAddressList.clear();
    PlatformAdapter eth;
    eth.index = 2;
    eth.name = "eth0";
    eth.description = "eth0";
    eth.macLength = 6;
    eth.addresses.push_back({"10.9.0.1", "255.255.255.0"});
    fake.adapters = {eth};
    profile().clear();  // the fake's store outlives resetFake
    out = (dir / "stdout.txt").string();
    err = (dir / "stderr.txt").string();
    consoleOut.fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    consoleErr.fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    consoleOut.utf8 = consoleErr.utf8 = false;
    installConsoleHooks();
  }
  void TearDown() override {
    closeLog();
    freeArpSnapshot();
    ::close(consoleOut.fd);
    ::close(consoleErr.fd);
    consoleOut.fd = 1;
    consoleErr.fd = 2;
  }
  std::map<std::string, std::string>& profile() {
    return platform::fakeProfile((fs::absolute(dir) / "quorel.ini").string());
  }
  void ini(const char* key, const char* value) { profile()[std::string("Vetrel/") + key] = value; }
  ScratchDir scratch;  // the fake does not change directories
  fs::path dir = scratch.path;
  std::string out, err;
};

}  // namespace

TEST_F(ConsoleMonitor, StartAndStopJournalTheirLinesInOrderAndKeepStatics) {
  ini("WriteLog", "1");
  ini("SaveStat", "1");
  writeFile(dir / "statics.dat", "10.9.0.7\t02-00-00-00-00-07\r\n");
  fake.applyWrites = true;
  fake.arpRows = {fakeArpRow(2, "10.9.0.7", "02-00-00-00-00-07", kArpTypeDynamic),
                  fakeArpRow(2, "10.9.0.8", "02-00-00-00-00-08", kArpTypeDynamic)};

  ASSERT_EQ(startMonitor(dir.string(), false), kExitOk);
  EXPECT_TRUE(session.ticks.running);
  EXPECT_EQ(checkCountdown, 1);
  // The saved static entry went back into the table.
  ASSERT_FALSE(fake.setEntries.empty());
  EXPECT_EQ(fake.setEntries[0].type, kArpTypeStatic);

  fake.arpRows.push_back(fakeArpRow(2, "10.9.0.9", "00-00-00-00-00-2a", kArpTypeStatic));
  shutDownMonitor();
  EXPECT_FALSE(session.ticks.running);
  closeLog();

  const auto lines = texts(readFile(dir / "quorel.log"));
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Начало записи в лог-файл.");
  EXPECT_EQ(lines[1], "Запуск программы.");
  EXPECT_EQ(lines[2], "Адаптер: eth0, IP: 10.9.0.1, Маска: 255.255.255.0");
  EXPECT_EQ(lines[lines.size() - 2], "Выход из программы.");
  EXPECT_EQ(lines.back(), "Конец записи в лог-файл.");
  // stdout got the same lines, byte for byte.
  EXPECT_EQ(readFile(out), readFile(dir / "quorel.log"));

  const std::string statics = readFile(dir / "statics.dat");
  EXPECT_NE(statics.find("10.9.0.7\t02-00-00-00-00-07\r\n"), std::string::npos);
  EXPECT_NE(statics.find("10.9.0.9\t00-00-00-00-00-2A\r\n"), std::string::npos);
  EXPECT_EQ(statics.find("10.9.0.8"), std::string::npos);
  EXPECT_EQ(profile().count("Vetrel/CheckInt"), 1u);  // the settings were saved
}

TEST_F(ConsoleMonitor, NoAdapterEndsStartUpWithAnErrorAndNoExitLine) {
  fake.adapters.clear();
  fake.adaptersError = 232;
  EXPECT_EQ(startMonitor(dir.string(), false), kExitFailure);
  closeLog();
  EXPECT_EQ(readFile(err), "vetrel: Ошибка при определении сетевого адаптера.\n");
  const auto lines = texts(readFile(out));
  ASSERT_EQ(lines.size(), 1u);  // no WriteLog: no start line, no log file
  EXPECT_EQ(lines[0], "Запуск программы.");
  EXPECT_FALSE(fs::exists(dir / "quorel.log") && fs::file_size(dir / "quorel.log") > 0);
}

TEST_F(ConsoleMonitor, RoutesPrintAlignedWithTheInterfaceAddress) {
  RouteRow def{};
  def.nextHop = hostToNetwork(parseIpv4("10.9.0.254"));
  def.ifIndex = 2;
  def.metric1 = 0;
  RouteRow net{};
  net.dest = hostToNetwork(parseIpv4("10.9.0.0"));
  net.mask = hostToNetwork(parseIpv4("255.255.255.0"));
  net.ifIndex = 31;
  net.metric1 = 100;
  RouteRow hole{};  // a blackhole route: no interface, the largest metric
  hole.dest = hostToNetwork(parseIpv4("10.8.0.0"));
  hole.mask = hostToNetwork(parseIpv4("255.255.0.0"));
  hole.type = 2;
  hole.policy = 6;
  hole.metric1 = 4294967295u;
  RouteRow unknown = hole;  // a type without a name keeps the index
  unknown.policy = 42;
  fake.routes = {def, net, hole, unknown};
  IpAddrRow a{};
  a.addr = hostToNetwork(parseIpv4("10.9.0.1"));
  a.index = 2;
  fake.addrRows = {a};
  CommandLine cl;
  cl.command = Command::Routes;
  cl.dir = dir.string();
  cl.forceCp1251 = true;  // the bytes as the list holds them
  EXPECT_EQ(runRoutes(cl), kExitOk);
  EXPECT_EQ(readFile(out),
            "   Адрес          Маска        Шлюз  Интерфейс     Метрика\n"
            " 0.0.0.0        0.0.0.0  10.9.0.254   10.9.0.1           0\n"
            "10.9.0.0  255.255.255.0     0.0.0.0       0x1f         100\n"
            "10.8.0.0    255.255.0.0     0.0.0.0  blackhole  4294967295\n"
            "10.8.0.0    255.255.0.0     0.0.0.0        0x0  4294967295\n");

  fake.routesError = 13;
  EXPECT_EQ(runRoutes(cl), kExitFailure);
  cl.dir = (dir / "missing").string();
  EXPECT_EQ(runRoutes(cl), kExitUsage);
}
