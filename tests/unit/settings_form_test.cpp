#include "forms/settings_form.h"

#include <gtest/gtest.h>

#include <string>

#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "report/journal.h"

namespace {

class SettingsFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    installUiRecorder();
    settings = Settings{};
    settings.ShowMsg = false;
    exePath = "C:\\Vetrel\\vetrel.exe";
    readLocalClock = platform::localNow;
  }
  void TearDown() override { closeLog(); }
  // A valid form from the current settings, as the dialog would open.
  static SettingsForm opened() { return formFromSettings(settings); }
};

// The three messages in their order, a failed check that keeps the old settings, 263 coming
// back as 262 and the opening values are proven under Wine; here the number parsing and what
// the form must mend.
TEST_F(SettingsFormTest, ChecksRunInTheDialogsOrder) {
  struct Case {
    const char* threads;
    const char* interval;
    bool addNew, blockNew;
    SettingsVerdict verdict;
  };
  const Case cases[] = {
      {"", "1", true, true, SettingsVerdict::BadThreadCount},  // threads tested first
      {"17", "5", false, false, SettingsVerdict::BadThreadCount},
      {"5x", "5", false, false, SettingsVerdict::BadThreadCount},
      {"4294967297", "5", false, false, SettingsVerdict::BadThreadCount},  // past 32 bits: 0
      {"-3", "5", false, false, SettingsVerdict::BadThreadCount},
      {"5", "61", true, true, SettingsVerdict::BadInterval},
      {"1", "2", true, false, SettingsVerdict::Applied},
      {"16", "60", false, true, SettingsVerdict::Applied},
      {" 7 ", "\t30", false, false, SettingsVerdict::Applied},
  };
  for (const Case& c : cases) {
    SettingsForm f = opened();
    f.MaxScanThreads = c.threads;
    f.CheckInt = c.interval;
    f.AddNew = c.addNew;
    f.BlockNew = c.blockNew;
    EXPECT_EQ(checkSettingsForm(f), c.verdict) << c.threads << " / " << c.interval;
  }
}

// Wine sees the dialog reopen unchanged; the log and the Run value must not move either.
TEST_F(SettingsFormTest, AFailedCheckStoresNothing) {
  settings.WriteLog = true;
  for (const char* threads : {"0", "9"}) {  // the thread check, then the contradiction
    SettingsForm f = opened();
    f.MaxScanThreads = threads;
    f.AddNew = f.BlockNew = true;
    f.WriteLog = false;
    f.RunOnStart = true;
    EXPECT_NE(applySettingsForm(f), SettingsVerdict::Applied);
    EXPECT_TRUE(settings.WriteLog);
    EXPECT_FALSE(settings.RunOnStart || settings.BlockNew);
  }
  EXPECT_TRUE(ui.windowLines.empty());
  EXPECT_TRUE(fake.autostartCalls.empty());
}

TEST_F(SettingsFormTest, FormMendsWhatTheDialogCannotHold) {
  settings.CheckInt = -1;  // taken from the file unchecked; shown unsigned
  SettingsForm f = opened();
  EXPECT_EQ(f.CheckInt, "4294967295");
  f.CheckInt = "5";
  f.MailServer = std::string(40, 's');
  f.MailPort = "port";
  f.MailMask = 256 | 64 | 4;
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);
  EXPECT_EQ(std::string(settings.MailServer), std::string(31, 's'));
  EXPECT_EQ(settings.MailPort, 0);
  EXPECT_EQ(settings.MailMask, 64 | 4);  // the mail list offers no mail-error item
}

}  // namespace
