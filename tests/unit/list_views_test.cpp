#include "arp/list_views.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "address_fixture.h"
#include "arp/sample_view.h"
#include "base/address.h"
#include "base/text_field.h"
#include "fake/ui_recorder.h"

namespace {

AddressEntry entry(const char* ip, const char* mac, const char* type, const char* name,
                   int probe = 0) {
  AddressEntry e = addressEntry(ip, mac, type, name);
  e.probeState = probe;
  return e;
}

using Rows = std::vector<std::vector<std::string>>;

class ListViews : public ::testing::Test {
 protected:
  void SetUp() override {
    installUiRecorder();
    CacheList = {entry("10.0.0.2", "bb", kTypeDynamic, "two"),
                 entry("10.0.0.10", "aa", kTypeStatic, "ten"),
                 entry("9.0.0.1", "cc", kTypeDynamic, "")};
    SampleList = {entry("10.0.0.*", "m2", "", "wild"), entry("1.1.1.1", "m1", kTypeDynamic, "")};
    ScanResults = {entry("10.0.0.1", "m", "", "a", 1), entry("10.0.0.2", "", "", "", -1),
                   entry("10.0.0.3", "", "", "", 0), entry("10.0.0.4", "", "", "name", 1)};
  }
  void TearDown() override {
    CacheList.clear();
    SampleList.clear();
    ScanResults.clear();
  }
};

}  // namespace

// The columns are read off the windows under Wine; here what no window test can plant.
TEST_F(ListViews, AFieldWithoutItsTerminatorIsShownCutAtItsEnd) {
  std::memset(CacheList[0].hostName, 'h', sizeof CacheList[0].hostName);
  showCacheList();
  EXPECT_EQ(ui.lists[ListId::Arp][0][3], std::string(64, 'h'));
}

TEST_F(ListViews, SortsMarkTheirColumn) {
  sortCacheList(2);  // static first
  EXPECT_STREQ(CacheList[0].ipText, "10.0.0.10");
  EXPECT_EQ(ui.sortMarks[ListId::Arp], 2);
  EXPECT_EQ(ui.lists[ListId::Arp][0][0], "10.0.0.10");
  sortCacheList(0);
  EXPECT_STREQ(CacheList[0].ipText, "9.0.0.1");
  EXPECT_STREQ(CacheList[2].ipText, "10.0.0.10");
  sortCacheList(3);
  EXPECT_STREQ(CacheList[0].hostName, "");
  EXPECT_STREQ(CacheList[2].hostName, "two");
  sortCacheList(1);
  EXPECT_STREQ(CacheList[0].macText, "aa");
  EXPECT_EQ(ui.sortMarks[ListId::Arp], 1);
  const int clears = ui.clears[ListId::Arp];
  sortCacheList(4);
  sortCacheList(-1);
  EXPECT_EQ(ui.clears[ListId::Arp], clears);
  EXPECT_EQ(ui.sortMarks[ListId::Arp], 1);

  sortSamples(2);  // by name: "" first
  EXPECT_STREQ(SampleList[0].ipText, "1.1.1.1");
  EXPECT_EQ(ui.sortMarks[ListId::Samples], 2);
  sortSamples(0);  // a pattern counts as 0
  EXPECT_STREQ(SampleList[0].ipText, "10.0.0.*");
  sortSamples(1);
  EXPECT_STREQ(SampleList[0].macText, "m1");
  EXPECT_EQ(ui.status[1], "Образцы: 2");
  sortSamples(3);
  EXPECT_EQ(ui.sortMarks[ListId::Samples], 1);
}

TEST_F(ListViews, OwnerDataListsLearnOnlyTheirCountAndReadTheirCells) {
  static std::vector<std::pair<ListId, std::size_t>> shown;
  static std::vector<bool> holds;
  shown.clear();
  holds.clear();
  uiHooks.showRows = [](ListId list, std::size_t rows) -> bool {
    if (list == ListId::Scan) return false;
    shown.emplace_back(list, rows);
    return true;
  };
  uiHooks.holdRedraw = [](ListId, bool hold) { holds.push_back(hold); };
  showCacheList();
  showSampleRows();
  EXPECT_EQ(shown, (decltype(shown){{ListId::Arp, 3}, {ListId::Samples, 2}}));
  EXPECT_EQ(ui.clears[ListId::Arp] + ui.clears[ListId::Samples], 0);
  EXPECT_EQ(ui.status[1], "Образцы: 2");
  EXPECT_EQ(cacheListCell(1, 2), kTypeStatic);
  EXPECT_EQ(cacheListCell(1, 3), "ten");
  EXPECT_EQ(sampleListCell(0, 2), "wild");
  for (auto [row, column] : {std::pair{-1, 0}, {3, 0}, {0, 4}})
    EXPECT_EQ(cacheListCell(row, column), "");
  EXPECT_EQ(sampleListCell(2, 0), "");
  uiHooks.showRows = nullptr;  // lists with rows of their own are refilled unseen
  showCacheList();
  EXPECT_EQ(holds, (std::vector<bool>{true, false}));
  EXPECT_EQ(ui.lists[ListId::Arp].size(), 3u);
}
