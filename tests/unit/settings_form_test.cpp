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
  EXPECT_STREQ(settingsVerdictText(SettingsVerdict::BadThreadCount),
               "Количество потоков должно быть   \nв пределах от 1 до 16.");
  EXPECT_STREQ(settingsVerdictText(SettingsVerdict::BadInterval),
               "Интервал проверок должен быть   \nв пределах от 2 до 60 сек.");
  EXPECT_STREQ(settingsVerdictText(SettingsVerdict::Contradiction),
               "Противоречие параметров \"Пополнять образцы\"    \nи \"Подменять MAC для новых "
               "IP\".");
  EXPECT_STREQ(settingsVerdictText(SettingsVerdict::Applied), "");
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

TEST_F(SettingsFormTest, ValidFormStoresEveryField) {
  SettingsForm f = opened();
  f.MaxScanThreads = "16";
  f.CheckInt = "60";
  f.AddNew = false;
  f.AddAddIp = false;
  f.CheckMac = false;
  f.Restore = true;
  f.BlockNew = true;
  f.HideMessageWindow = true;
  f.SaveStat = true;
  f.HideOnRun = true;
  f.MsgToMail = true;
  f.MailTo = "to@example.org";
  f.MailFrom = "from@example.org";
  f.MailServer = std::string(40, 's');  // cut to the field
  f.MailPort = "2525";
  f.MailLogin = "vetrel";
  f.MailPassw = "секрет";
  f.MsgMask = 263;  // bit 1 is offered by no list
  f.MailMask = 256 | 64 | 4;
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);
  EXPECT_EQ(settings.MaxScanThreads, 16);
  EXPECT_EQ(settings.CheckInt, 60);
  EXPECT_FALSE(settings.AddNew);
  EXPECT_FALSE(settings.AddAddIp);
  EXPECT_FALSE(settings.CheckMac);
  EXPECT_TRUE(settings.Restore);
  EXPECT_TRUE(settings.BlockNew);
  EXPECT_FALSE(settings.ShowMsg);
  EXPECT_TRUE(settings.SaveStat);
  EXPECT_TRUE(settings.HideOnRun);
  EXPECT_TRUE(settings.MsgToMail);
  EXPECT_STREQ(settings.MailTo, "to@example.org");
  EXPECT_STREQ(settings.MailFrom, "from@example.org");
  EXPECT_EQ(std::string(settings.MailServer), std::string(31, 's'));
  EXPECT_EQ(settings.MailPort, 2525);
  EXPECT_STREQ(settings.MailLogin, "vetrel");
  EXPECT_STREQ(settings.MailPassw, "секрет");
  EXPECT_EQ(settings.MsgMask, 262);
  EXPECT_EQ(settings.MailMask, 64 | 4);  // the mail list offers no mail-error item
  EXPECT_TRUE(ui.windowLines.empty());
  EXPECT_TRUE(fake.autostartCalls.empty());

  f.MailPort = "port";
  f.MailMask = 0;
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);
  EXPECT_EQ(settings.MailPort, 0);
  EXPECT_EQ(settings.MailMask, 0);
}

TEST_F(SettingsFormTest, LogOffThenOnWritesTheEndAndStartLinesWithNothingBetween) {
  ScratchDir dir;
  openLog("quorel.log");
  settings.WriteLog = true;
  SettingsForm f = opened();
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);  // unchanged: no line
  f.WriteLog = false;
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);
  EXPECT_FALSE(settings.WriteLog);
  reportEvent("между", Info);  // not logged while off
  f.WriteLog = true;
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);
  EXPECT_TRUE(settings.WriteLog);
  closeLog();
  const std::string log = readFile(dir.path / "quorel.log");
  const std::size_t end = log.find("Конец записи в лог-файл.\r\n");
  const std::size_t start = log.find("Начало записи в лог-файл.\r\n");
  ASSERT_NE(end, std::string::npos) << log;
  ASSERT_NE(start, std::string::npos) << log;
  EXPECT_LT(end, start);
  EXPECT_EQ(log.find("между"), std::string::npos);
  // Two stamped lines and nothing else.
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
  EXPECT_EQ(ui.windowLines.size(), 3u);
}

TEST_F(SettingsFormTest, AutostartIsCalledOnlyWhenRunOnStartChanges) {
  SettingsForm f = opened();
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);
  f.RunOnStart = true;
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);
  f.RunOnStart = false;
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);
  const std::vector<std::pair<bool, std::string>> want{{true, exePath}, {false, exePath}};
  EXPECT_EQ(fake.autostartCalls, want);
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
  // The pop-up list ticks spoofing, program errors and mail errors for 263.
  std::vector<std::string> ticked;
  for (std::size_t i = 0; i < kMsgMaskItems; ++i)
    if (f.MsgMask & kEventItems[i].bit) ticked.push_back(kEventItems[i].text);
  EXPECT_EQ(ticked, (std::vector<std::string>{"подмена адреса", "ошибки программы",
                                              "ошибки отправки почты"}));
  EXPECT_EQ(offeredBits(kMsgMaskItems), 374);
  EXPECT_EQ(offeredBits(kMailMaskItems), 118);
}

}  // namespace
