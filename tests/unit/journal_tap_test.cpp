// The journal's taps (syslog, --json).
#include "report/journal_tap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "report/journal.h"
#include "settings/settings.h"

namespace {

std::vector<std::string> seen;
std::vector<std::int32_t> kinds;
int stampSeconds = -1;

void recordTap(const JournalRecord& r) {
  seen.emplace_back(r.text);
  kinds.push_back(r.kind);
  stampSeconds = r.time.second;
}
void otherTap(const JournalRecord&) { seen.emplace_back("other"); }

}  // namespace

TEST(JournalTap, SeesTheTrimmedLineItsKindAndTheLogStamp) {
  resetFake();
  installUiRecorder();
  settings = Settings{};
  seen.clear();
  kinds.clear();
  ASSERT_TRUE(addJournalTap(recordTap));
  reportEvent("Подмена адреса! 1.2.3.4 aa (1.2.3.4 bb) \r\n", Spoofing);
  reportEvent("  первая\nвторая", Info);
  reportEvent("", RouteChange);
  removeJournalTap(recordTap);
  reportEvent("после", Info);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "Подмена адреса! 1.2.3.4 aa (1.2.3.4 bb)");
  EXPECT_EQ(seen[1], "  первая\nвторая");
  EXPECT_EQ(seen[2], "");
  EXPECT_EQ(kinds, (std::vector<std::int32_t>{Spoofing, Info, RouteChange}));
  // The same reading as the log line's stamp.
  char second[8];
  std::snprintf(second, sizeof second, ":%02d ", stampSeconds);
  ASSERT_EQ(ui.logLines.size(), 4u);
  EXPECT_EQ(ui.logLines[2].substr(16, 4), second) << ui.logLines[2];
}

TEST(JournalTap, SlotsAreFewAndEachTapIsCalledOnce) {
  seen.clear();
  EXPECT_FALSE(addJournalTap(nullptr));
  JournalTap taps[] = {recordTap, otherTap};
  int n = 0;
  while (n < kJournalTapSlots && addJournalTap(taps[n % 2])) ++n;
  EXPECT_EQ(n, kJournalTapSlots);
  EXPECT_FALSE(addJournalTap(otherTap));  // full
  removeJournalTap(recordTap);
  removeJournalTap(otherTap);
  tapJournalLine({"x", Info, {}});
  EXPECT_TRUE(seen.empty());
}
