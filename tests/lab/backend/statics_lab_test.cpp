// Static entries through statics.dat: saved, gone from the kernel, written back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "arp/arp_table.h"
#include "arp/statics.h"
#include "lab_support.h"
#include "route/adapters.h"

namespace {

std::string slurp(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool shows(const std::string& ip, const std::string& expected) {
  return capture("ip neigh show " + ip).find(expected) != std::string::npos;
}

TEST(StaticsLab, SurviveSaveFlushAndLoad) {
  LocalAdapterList.clear();
  LocalAddressList.clear();
  ASSERT_TRUE(discoverAdapters());
  ASSERT_TRUE(createArpSnapshot());
  const std::string dir = std::string(std::getenv("LAB_WORK_DIR")) + "/statics";
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);

  flushNeighbours();
  ASSERT_EQ(sh("ip neigh add 10.77.2.61 lladdr 02:ab:cd:ef:00:61 dev lbh2 nud permanent"), 0);
  ASSERT_EQ(sh("ip neigh add 10.77.1.60 lladdr 02:ab:cd:ef:00:60 dev lbh1 nud permanent"), 0);
  ASSERT_EQ(sh("ip neigh add 192.0.2.20 lladdr 00:00:00:00:00:14 dev lbh2 nud permanent"), 0);
  ASSERT_EQ(sh("ip neigh add 10.77.1.62 lladdr 02:ab:cd:ef:00:62 dev lbh1 nud reachable"), 0);
  saveStatics();
  EXPECT_EQ(slurp("statics.dat"),
            "10.77.1.60\t02-AB-CD-EF-00-60\r\n"
            "10.77.2.61\t02-AB-CD-EF-00-61\r\n"
            "192.0.2.20\t00-00-00-00-00-14\r\n");

  flushNeighbours();
  ASSERT_EQ(capture("ip -4 neigh show"), "");
  loadStatics();
  EXPECT_TRUE(shows("10.77.1.60", "dev lbh1 lladdr 02:ab:cd:ef:00:60 PERMANENT"));
  EXPECT_TRUE(shows("10.77.2.61", "dev lbh2 lladdr 02:ab:cd:ef:00:61 PERMANENT"));
  // Outside every local subnet: back on the first local address's interface.
  EXPECT_TRUE(shows("192.0.2.20", "dev lbh1 lladdr 00:00:00:00:00:14 PERMANENT"));
  EXPECT_EQ(capture("ip neigh show 10.77.1.62"), "");

  // An empty table removes the file.
  flushNeighbours();
  saveStatics();
  EXPECT_NE(access("statics.dat", F_OK), 0);
  ASSERT_EQ(chdir(previous), 0);
}

TEST(StaticsLab, KernelsNoarpBindingsAreNeitherSavedNorWrittenBack) {
  LocalAdapterList.clear();
  LocalAddressList.clear();
  ASSERT_TRUE(discoverAdapters());
  ASSERT_TRUE(createArpSnapshot());
  const std::string dir = std::string(std::getenv("LAB_WORK_DIR")) + "/noarp";
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);

  flushNeighbours();
  // The loopback row as the kernel makes it when something talks to 0.0.0.0, and the
  // multicast and broadcast rows of an interface; one real static entry beside them.
  sh("ping -c1 -W1 0.0.0.0 >/dev/null 2>&1");
  const std::string loopbackRow = "ip -4 neigh show nud all | grep '^0.0.0.0 dev lo '";
  if (capture(loopbackRow).empty()) {
    ASSERT_EQ(sh("ip neigh add 0.0.0.0 lladdr 00:00:00:00:00:00 dev lo nud noarp"), 0);
  }
  ASSERT_EQ(sh("ip neigh replace 224.0.0.251 lladdr 01:00:5e:00:00:fb dev lbh1 nud noarp"), 0);
  ASSERT_EQ(sh("ip neigh replace 10.77.1.255 lladdr ff:ff:ff:ff:ff:ff dev lbh1 nud noarp"), 0);
  ASSERT_EQ(sh("ip neigh add 10.77.1.64 lladdr 02:ab:cd:ef:00:64 dev lbh1 nud permanent"), 0);
  ASSERT_NE(capture(loopbackRow).find("NOARP"), std::string::npos);

  saveStatics();
  EXPECT_EQ(slurp("statics.dat"), "10.77.1.64\t02-AB-CD-EF-00-64\r\n");

  // The next start writes back only that one: no permanent 0.0.0.0 on the first interface.
  sh("ip -4 neigh flush all nud permanent >/dev/null 2>&1");
  loadStatics();
  EXPECT_TRUE(shows("10.77.1.64", "dev lbh1 lladdr 02:ab:cd:ef:00:64 PERMANENT"));
  EXPECT_EQ(capture("ip -4 neigh show nud permanent"),
            "10.77.1.64 dev lbh1 lladdr 02:ab:cd:ef:00:64 PERMANENT \n");
  EXPECT_NE(capture(loopbackRow).find("NOARP"), std::string::npos);  // shown as it was
  flushNeighbours();
  ASSERT_EQ(chdir(previous), 0);
}

}  // namespace
