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

// Mail that could never be sent is refused, naming the field; nothing is stored.
TEST_F(SettingsFormTest, MailChecksFollowTheWrittenThree) {
  struct Case {
    const char *port, *server, *to;
    bool toMail;
    std::int32_t mask;
    SettingsVerdict verdict;
    const char* named;
  };
  const Case cases[] = {
      {"999999", "mx", "a@b", true, 4, SettingsVerdict::BadMailPort, "«Порт»"},
      {"port", "mx", "a@b", true, 4, SettingsVerdict::BadMailPort, "65535"},
      {"65536", "mx", "a@b", true, 4, SettingsVerdict::BadMailPort, "«Порт»"},
      {" 0 ", "mx", "a@b", true, 4, SettingsVerdict::Applied, ""},  // not set: 25
      {"", "mx", "a@b", true, 4, SettingsVerdict::Applied, ""},
      {"port", "", "", false, 4, SettingsVerdict::Applied, ""},  // mail off: not looked at
      {"25", " ", "a@b", true, 4, SettingsVerdict::NoMailServer, "«Сервер»"},
      {"25", "", "", true, 64, SettingsVerdict::NoMailServer, "«Сервер»"},
      {"25", "mx", "	", true, 2, SettingsVerdict::NoMailReceiver, "«Кому»"},
      {"1", "", "", true, 0, SettingsVerdict::Applied, ""},       // no kind ticked
      {"65535", "", "", false, 4, SettingsVerdict::Applied, ""},  // mail switched off
      {"25", "", "", true, 256, SettingsVerdict::Applied, ""},    // a bit the list does not offer
      {"25", "mx", "a@b", true, 4, SettingsVerdict::Applied, ""},
  };
  for (const Case& c : cases) {
    settings = Settings{};
    SettingsForm f = opened();
    f.MailPort = c.port;
    f.MailServer = c.server;
    f.MailTo = c.to;
    f.MsgToMail = c.toMail;
    f.MailMask = c.mask;
    f.MaxScanThreads = "0";  // the written checks come first
    EXPECT_EQ(checkSettingsForm(f), SettingsVerdict::BadThreadCount);
    f.MaxScanThreads = "3";
    EXPECT_EQ(applySettingsForm(f), c.verdict) << c.port << "/" << c.server << "/" << c.to;
    EXPECT_NE(std::string(settingsVerdictText(c.verdict)).find(c.named), std::string::npos);
    EXPECT_EQ(settings.MaxScanThreads == 3, c.verdict == SettingsVerdict::Applied) << c.port;
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
  f.MailServer = std::string(40, 's');  // refused whole, never cut to another name
  f.MailPort = " 2526 ";                // "port" is refused: see the mail checks
  f.MailMask = 256 | 64 | 4;
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::TextTooLong);
  EXPECT_EQ(settingsRefusalText(SettingsVerdict::TextTooLong, f),
            "Слишком длинное значение «Сервер»: " + f.MailServer +
                " — 40 символов, а поле вмещает не больше 31.");
  f.MailServer.pop_back();
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::TextTooLong);
  f.MailServer.resize(31);
  ASSERT_EQ(applySettingsForm(f), SettingsVerdict::Applied);
  EXPECT_EQ(std::string(settings.MailServer), std::string(31, 's'));
  EXPECT_EQ(settings.MailPort, 2526);
  EXPECT_EQ(settings.MailMask, 64 | 4);  // the mail list offers no mail-error item
}

}  // namespace
