// The journal's log on a real file when the disk fills: every line is in it whole or not at
// all, however little room was left.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "../../unit/file_size_limit.h"
#include "report/journal.h"
#include "settings/settings.h"

namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(LogAppend, ALineCutByAFullDiskLeavesNoFragment) {
  char pattern[] = "/tmp/vetrel-log-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/quorel.log";
  settings = Settings{};
  settings.WriteLog = true;
  openLog(path.c_str());
  reportEvent("first", Info);
  const std::size_t lineBytes =
      std::filesystem::file_size(path);  // "dd.mm.yyyy hh:mm:ss first\r\n"
  // Room left for the next line: none, part of its stamp, all but its line end.
  for (std::size_t room : {std::size_t{0}, std::size_t{10}, lineBytes - 1}) {
    const std::size_t before = std::filesystem::file_size(path);
    {
      FileSizeLimit full(before + room);
      reportEvent("fills", Info);  // the same length as "first"
    }
    EXPECT_EQ(std::filesystem::file_size(path), before) << room;
    reportEvent("after", Info);
  }
  {
    FileSizeLimit full(std::filesystem::file_size(path) + lineBytes);
    reportEvent("exact", Info);  // exactly the room there is
  }
  closeLog();
  const std::string text = readAll(path);
  std::size_t lines = 0, at = 0;
  for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    EXPECT_EQ(end - at + 2, lineBytes) << text.substr(at, end - at);
    ++lines;
  }
  EXPECT_EQ(at, text.size());  // nothing after the last whole line
  EXPECT_EQ(lines, 5u);        // first, after three times, exact
  EXPECT_EQ(text.find("fills"), std::string::npos);
  std::filesystem::remove_all(pattern);
}

}  // namespace
