#include "settings/settings_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/text_field.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "report/journal.h"
#include "scratch_dir.h"

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

TEST_F(SettingsFormTest, ChecksRunInTheDialogsOrder) {
  struct Case {
    const char* threads;
    const char* interval;
    bool addNew, blockNew;
    SettingsVerdict verdict;
  };
  const Case cases[] = {
      {"0", "61", false, false, SettingsVerdict::BadThreadCount},
      {"", "1", true, true, SettingsVerdict::BadThreadCount},  // threads tested first
      {"17", "5", false, false, SettingsVerdict::BadThreadCount},
      {"5x", "5", false, false, SettingsVerdict::BadThreadCount},
      {"4294967297", "5", false, false, SettingsVerdict::BadThreadCount},  // past 32 bits: 0
      {"-3", "5", false, false, SettingsVerdict::BadThreadCount},
      {"5", "61", true, true, SettingsVerdict::BadInterval},
      {"5", "1", false, false, SettingsVerdict::BadInterval},
      {"5", "", false, false, SettingsVerdict::BadInterval},
      {"5", "5", true, true, SettingsVerdict::Contradiction},
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

// Every failed check leaves the record, the log and the Run value as the dialog found them,
// so a cancel after the message keeps the old settings.
TEST_F(SettingsFormTest, AFailedCheckStoresNothing) {
  settings.WriteLog = true;
  for (SettingsVerdict want : {SettingsVerdict::BadThreadCount, SettingsVerdict::BadInterval,
                               SettingsVerdict::Contradiction}) {
    SettingsForm f = opened();
    f.AddNew = true;
    f.BlockNew = true;
    f.AddAddIp = false;
    f.WriteLog = false;
    f.RunOnStart = true;
    f.MailTo = "new@example.org";
    f.MsgMask = 4;
    f.MaxScanThreads = want == SettingsVerdict::BadThreadCount ? "0" : "9";
    f.CheckInt = want == SettingsVerdict::BadInterval ? "61" : "9";
    EXPECT_EQ(applySettingsForm(f), want);
    EXPECT_EQ(settings.MaxScanThreads, 5);
    EXPECT_EQ(settings.CheckInt, 5);
    EXPECT_FALSE(settings.BlockNew);
    EXPECT_TRUE(settings.AddAddIp);
    EXPECT_TRUE(settings.WriteLog);
    EXPECT_FALSE(settings.RunOnStart);
    EXPECT_STREQ(settings.MailTo, "");
    EXPECT_EQ(settings.MsgMask, 262);
  }
  EXPECT_TRUE(ui.windowLines.empty());
  EXPECT_TRUE(fake.autostartCalls.empty());
}

// Every field reaching quorel.ini is proven under Wine; here the values the form must mend.
TEST_F(SettingsFormTest, ValidFormCutsTextsAndDropsWhatNoListOffers) {
  SettingsForm f = opened();
  f.MailServer = std::string(40, 's');
  f.MailPort = "2525";
  f.MailPassw = "секрет";
  f.MsgMask = 263;  // bit 1 is offered by no list
  f.MailMask = 256 | 64 | 4;
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);
  EXPECT_EQ(std::string(settings.MailServer), std::string(31, 's'));
  EXPECT_EQ(settings.MailPort, 2525);
  EXPECT_STREQ(settings.MailPassw, "секрет");
  EXPECT_EQ(settings.MsgMask, 262);
  EXPECT_EQ(settings.MailMask, 64 | 4);  // the mail list offers no mail-error item
  EXPECT_TRUE(ui.windowLines.empty());
  EXPECT_TRUE(fake.autostartCalls.empty());

  f.MailPort = "port";
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);
  EXPECT_EQ(settings.MailPort, 0);
}

TEST_F(SettingsFormTest, FormShowsTheSettingsAsTheDialogOpensOnThem) {
  settings.CheckInt = -1;  // taken from the file unchecked; shown unsigned
  settings.ShowMsg = true;
  settings.MsgMask = 263;
  settings.MailPort = 25;
  copyField(settings.MailPassw, "pw");
  const SettingsForm f = opened();
  EXPECT_EQ(f.CheckInt, "4294967295");
  EXPECT_EQ(f.MaxScanThreads, "5");
  EXPECT_FALSE(f.HideMessageWindow);
  EXPECT_EQ(f.MailPort, "25");
  EXPECT_EQ(f.MailPassw, "pw");
  EXPECT_EQ(f.MsgMask, 263);
  EXPECT_EQ(offeredBits(kMsgMaskItems), 374);
  EXPECT_EQ(offeredBits(kMailMaskItems), 118);
}

}  // namespace
