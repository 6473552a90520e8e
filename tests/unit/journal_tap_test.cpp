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
  removeJournalTap(recordTap);
  reportEvent("после", Info);
  EXPECT_EQ(seen, (std::vector<std::string>{"Подмена адреса! 1.2.3.4 aa (1.2.3.4 bb)",
                                            "  первая?вторая"}));  // one line, as logged
  EXPECT_EQ(kinds, (std::vector<std::int32_t>{Spoofing, Info}));
  char second[8];  // the same reading of the clock as the log line's stamp
  std::snprintf(second, sizeof second, ":%02d ", stampSeconds);
  ASSERT_EQ(ui.logLines.size(), 3u);
  EXPECT_EQ(ui.logLines[1].substr(16, 4), second) << ui.logLines[1];
}

TEST(JournalTap, SlotsAreFewAndEachTapIsCalledOnce) {
  seen.clear();
  EXPECT_FALSE(addJournalTap(nullptr));
  int n = 0;
  while (n < kJournalTapSlots && addJournalTap(n % 2 ? otherTap : recordTap)) ++n;
  EXPECT_EQ(n, kJournalTapSlots);
  EXPECT_FALSE(addJournalTap(otherTap));  // full
  removeJournalTap(recordTap);
  removeJournalTap(otherTap);
  tapJournalLine({"x", Info, {}});
  EXPECT_TRUE(seen.empty());
}
