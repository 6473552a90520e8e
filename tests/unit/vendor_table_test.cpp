// MAC vendors from a small copy of ieee-data's files (tests/unit/data/ieee).
#include "base/vendor_table.h"

#include <gtest/gtest.h>

#include <string>

#include "report/json_line.h"
#include "report/syslog_message.h"
#include "scratch_dir.h"

namespace {

const std::string kFixture = std::string(VETREL_TEST_DATA) + "/ieee";

}  // namespace

TEST(VendorTable, LongestBlockFirstLocalBitAndUnknowns) {
  VendorTable table;
  ASSERT_TRUE(loadVendorTable(table, kFixture));  // iab.csv is missing: the others still count
  struct {
    const char* mac;
    const char* vendor;  // Windows-1251
  } const cases[] = {
      {"00-1b-21-01-02-03", "Intel Corporate"},     // MA-L; the block's second row is ignored
      {"F4:BD:9E:00:00:01", "Cisco Systems, Inc"},  // a quoted name with a comma, upper case
      {"70-b3-d5-f2-f1-23", "TELEPLATFORMS"},       // MA-S inside the MA-M's MA-L block
      {"70-b3-d5-1f-ff-ff", "Seven Zero One"},      // MA-M
      {"70-b3-d5-20-00-00", "IEEE Registration Authority"},
      {"00-d0-ef-00-00-01", "ООО \"Рога и копыта\""},  // UTF-8 file, "" quotes, trimmed
      {"00-00-01-00-00-01", "Bad?Name?"},              // control byte and bad UTF-8
      {"02-00-00-00-00-01", "(locally administered)"},
      {"0a-00-00-12-34-56", "(locally administered)"},  // even where the file names the block
      {"001b21010203", "Intel Corporate"},
  };
  for (const auto& c : cases) EXPECT_EQ(vendorOf(table, c.mac), c.vendor) << c.mac;
  // An unlisted block and whatever is no MAC have no vendor.
  for (const char* mac : {"00-00-00-00-00-01", "00-1b-21-01-02", "00-1b-21-01-02-03-04",
                          "0-01b-21-01-02-03", "*", ""})
    EXPECT_EQ(vendorOf(table, mac), "") << mac;
  // Rows whose assignment is not hex of a block's length add nothing.
  EXPECT_EQ(table.blocks[0].size() + table.blocks[1].size() + table.blocks[2].size(), 8u);
}

TEST(VendorTable, AHugeFileIsReadOnlyUpToItsBoundAndSaysSo) {
  ScratchDir dir;
  std::string rows;
  for (std::size_t i = 0; i <= kVendorFileLinesMax; ++i)
    rows += "MA-L," + std::string(6 - std::to_string(i).size(), '0') + std::to_string(i) + ",V\n";
  writeFile("oui.csv", rows);
  VendorTable table;
  std::vector<std::string> cut;
  ASSERT_TRUE(loadVendorTable(table, ".", &cut));
  EXPECT_EQ(cut, std::vector<std::string>{"oui.csv"});
  EXPECT_EQ(vendorOf(table, "09-99-99-00-00-00"), "V");  // the last line read (hex digits)
  EXPECT_EQ(vendorOf(table, "10-00-00-00-00-00"), "");   // past the bound
}

TEST(VendorTable, WithoutTheFilesEveryVendorIsEmpty) {
  VendorTable table;
  EXPECT_FALSE(loadVendorTable(table, "/nonexistent/ieee-data"));
  EXPECT_FALSE(table.loaded);
  EXPECT_EQ(vendorOf(table, "00-1b-21-01-02-03"), "");
  EXPECT_EQ(vendorOf(table, "02-00-00-00-00-01"), "");
}

TEST(VendorTable, JsonAndSyslogCarryTheVendorOfTheLinesMac) {
  MacVendors = VendorTable{};
  addVendorRows(MacVendors, "MA-L,001B21,Intel Corporate,x\n");
  finishVendorTable(MacVendors);
  const platform::WallClock t{2026, 12, 8, 1, 2, 3, 2};
  const std::string spoof =
      "Подмена адреса! 10.0.0.2 00-1b-21-00-00-02 (10.0.0.2 02-00-00-00-00-01)";
  EXPECT_NE(journalJson(spoof, 4, t, 0)
                .find("\"mac\":\"00-1b-21-00-00-02\",\"vendor\":\"Intel Corporate\","),
            std::string::npos);
  EXPECT_EQ(journalJson("Запуск программы.", 1, t, 0).find("vendor"), std::string::npos);
  SyslogEntry e{spoof, 4, t, 0, 0};
  EXPECT_NE(syslogMessage(e, {"h", 1})
                .find(" mac=\"00-1b-21-00-00-02\" vendor=\"Intel Corporate\" sampleIp="),
            std::string::npos);
  e.text = "Новый IP-адрес! 10.0.0.3 00-00-00-00-00-03";  // unknown: no empty parameter
  EXPECT_EQ(syslogMessage(e, {"h", 1}).find("vendor"), std::string::npos);
  EXPECT_NE(scanHostJson("10.0.0.5", "02-00-00-00-00-05", "", macVendor("02-00-00-00-00-05"), t, 0)
                .find("\"vendor\":\"(locally administered)\""),
            std::string::npos);
  MacVendors = VendorTable{};
}
