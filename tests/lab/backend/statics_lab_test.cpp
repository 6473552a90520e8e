// Static entries through statics.dat: saved, gone from the kernel, written back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/arp_table.h"
#include "core/statics.h"
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

}  // namespace
