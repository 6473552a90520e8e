// The journal's taps (syslog, --json).
#include "report/journal_tap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "report/journal.h"
#include "settings/settings.h"

namespace {

std::vector<std::string> seen;
std::vector<std::int32_t> kinds;

void recordTap(const JournalRecord& r) {
  seen.emplace_back(r.text);
  kinds.push_back(r.kind);
}

}  // namespace

// The syslog lab holds the sent stamps and the --json times against the log's.
TEST(JournalTap, SeesTheLoggedLineAndItsKindUntilRemoved) {
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
}
