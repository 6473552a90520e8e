// Temporary files and the log file against the real file system: planted links, stale
// leftovers, FIFOs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <string>
#include <thread>

#include "platform/linux/temp_file.h"
#include "platform/settings_platform.h"
#include "platform/system_platform.h"

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void put(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A process id that is not running: a child that has been reaped.
long endedPid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/linuxbe-files-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

}  // namespace

TEST_F(Files, TemporaryFilesAreNewNamesAndStaleOnesGoAsNames) {
  const fs::path final = dir / "samples.dat";
  put(final, "old");
  fs::permissions(final, fs::perms(0640));
  put(dir / "victim", "precious");
  // An earlier version's fixed name, a leftover of an ended process, both links to the victim;
  // a live process's file (pid 1 always runs) and a name that is not of our form.
  const std::string stale = "samples.dat.tmp." + std::to_string(endedPid()) + ".1a2b";
  fs::create_symlink(dir / "victim", dir / "samples.dat.tmp");
  fs::create_symlink(dir / "victim", dir / stale);
  put(dir / "samples.dat.tmp.1.beef", "live");
  put(dir / "samples.dat.tmpx", "other");

  std::string temp;
  std::FILE* f = platform::createTempFile(final.c_str(), temp);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(temp.rfind(final.string() + ".tmp." + std::to_string(getpid()) + ".", 0), 0u) << temp;
  std::fputs("new", f);
  std::fclose(f);
  struct stat st {};
  ASSERT_EQ(lstat(temp.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the file it replaces keeps its permissions

  EXPECT_EQ(slurp(dir / "victim"), "precious");
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "samples.dat.tmp")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / stale)));
  EXPECT_TRUE(fs::exists(dir / "samples.dat.tmp.1.beef"));
  EXPECT_TRUE(fs::exists(dir / "samples.dat.tmpx"));

  // A second one while the first is still there: another name.
  std::string second;
  f = platform::createTempFile(final.c_str(), second);
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_NE(second, temp);
  EXPECT_TRUE(fs::exists(temp));  // our own process's file is not stale

  // replaceFile takes a file, not a link put in its place.
  fs::remove(second);
  fs::create_symlink(dir / "victim", second);
  EXPECT_FALSE(platform::replaceFile(second.c_str(), final.c_str()));
  ASSERT_TRUE(platform::replaceFile(temp.c_str(), final.c_str()));
  EXPECT_EQ(slurp(final), "new");
  EXPECT_EQ(slurp(dir / "victim"), "precious");

  long pid = 0;
  EXPECT_TRUE(isTempNameOf("quorel.ini.tmp", "quorel.ini", pid));
  EXPECT_EQ(pid, 0);
  EXPECT_TRUE(isTempNameOf("quorel.ini.tmp.42.x", "quorel.ini", pid));
  EXPECT_EQ(pid, 42);
  for (const char* name : {"quorel.ini.tmp.42", "quorel.ini.tmp.42.", "quorel.ini.tmp..x",
                           "quorel.ini.tmpfoo", "quorel.ini", "other.tmp.42.x"})
    EXPECT_FALSE(isTempNameOf(name, "quorel.ini", pid)) << name;
}

TEST_F(Files, IniWriteNeverFollowsAPlantedTemporaryName) {
  const fs::path ini = dir / "quorel.ini";
  put(ini, "[Vetrel]\r\nCheckInt=5\r\n");
  put(dir / "victim", "precious");
  fs::create_symlink(dir / "victim", dir / "quorel.ini.tmp");
  ASSERT_TRUE(platform::profileWriteKeys("Vetrel", {{"CheckInt", "9"}}, ini.c_str()));
  EXPECT_EQ(slurp(ini), "[Vetrel]\r\nCheckInt=9\r\n");
  EXPECT_EQ(slurp(dir / "victim"), "precious");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(ini)));
  int left = 0;
  for (const auto& entry : fs::directory_iterator(dir)) left += entry.path() != ini;
  EXPECT_EQ(left, 1);  // the victim; no temporary file, no link
}

TEST_F(Files, LogOpensOnlyARegularFileAndNeverWaits) {
  const fs::path log = dir / "quorel.log";
  // Opened on another thread, so that a blocking open fails the test instead of hanging it.
  auto attempt = [&](const fs::path& path, bool& notRegular) {
    auto result = std::make_shared<std::promise<std::pair<bool, bool>>>();
    auto answer = result->get_future();
    std::thread([path, result] {
      bool refused = false;
      std::FILE* f = platform::openAppendShared(path.c_str(), refused);
      if (f) std::fclose(f);
      result->set_value({f != nullptr, refused});
    }).detach();
    if (answer.wait_for(std::chrono::seconds(3)) != std::future_status::ready) return -1;
    const auto [opened, refused] = answer.get();
    notRegular = refused;
    return opened ? 1 : 0;
  };
  // A FIFO nobody reads, one somebody reads, a directory, a device, and a link planted under
  // the log's name (a monitor running as root must not append to the file it names).
  put(dir / "victim", "precious");
  int reader = -1;
  const std::function<void()> plants[] = {
      [&] { ASSERT_EQ(mkfifo(log.c_str(), 0644), 0); },
      [&] {
        ASSERT_EQ(mkfifo(log.c_str(), 0644), 0);
        reader = open(log.c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(reader, 0);
      },
      [&] { fs::create_directory(log); },
      [&] { fs::create_symlink("/dev/null", log); },
      [&] { fs::create_symlink(dir / "victim", log); },
  };
  bool notRegular = false;
  for (std::size_t i = 0; i < std::size(plants); ++i) {
    SCOPED_TRACE(i);
    plants[i]();
    EXPECT_EQ(attempt(log, notRegular), 0);
    EXPECT_TRUE(notRegular);
    if (reader >= 0) close(reader);
    reader = -1;
    fs::remove(log);
  }
  EXPECT_EQ(slurp(dir / "victim"), "precious");

  EXPECT_EQ(attempt(log, notRegular), 1);  // created
  EXPECT_FALSE(notRegular);
  EXPECT_EQ(attempt(dir / "none" / "x.log", notRegular), 0);
  EXPECT_FALSE(notRegular);  // plainly impossible, nothing else under the name
}
