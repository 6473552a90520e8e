// `vetrel settings`: operands, assignments with the dialog's checks, masks by name, the
// written values; and whole runs against the fake platform in a scratch directory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/linux/command_line.h"
#include "app/linux/commands/password_input.h"
#include "app/linux/commands/settings_command.h"
#include "app/linux/commands/settings_edit.h"
#include "app/linux/console/console_text.h"
#include "app/linux/runtime/console_session.h"
#include "app/linux/system/data_dir_lock.h"
#include "base/windows1251.h"
#include "fake/fake_platform.h"
#include "forms/settings_form.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace fs = std::filesystem;

namespace {

const char* const kThreads = "MaxScanThreads must be from 1 to 16";
const char* const kInterval = "CheckInt must be from 2 to 60 seconds";
const char* const kContradiction =
    "AddNew=1 and BlockNew=1 contradict each other: a new host is learned or blocked";

SettingsEditResult apply(Settings& s, std::vector<std::string> list) {
  return applySettingsAssignments(s, list);
}

}  // namespace

TEST(ConsoleSettings, OperandsThatChooseNoActionSayWhy) {
  EXPECT_EQ(parseSettingsOperands({"set", "CheckInt"}).error, "expected KEY=VALUE, not 'CheckInt'");
  EXPECT_EQ(parseSettingsOperands({"get"}).error,
            "unknown settings action 'get' (set or set-password)");
}

// The settings lab runs the plain refusals, their order and that they write nothing, and the
// form test the dialog's number reading; here the kinds of value and an edge that must pass.
TEST(ConsoleSettings, ValuesAreCheckedByKindAndByTheDialogsRules) {
  struct Case {
    std::vector<std::string> list;
    const char* error;
  } cases[] = {
      {{"MaxScanThreads=99999999999"}, kThreads},
      {{"MaxScanThreads=16", "CheckInt=60", "AddNew=0", "BlockNew=1"}, ""},
      {{"AddNew=2"}, "AddNew takes 1 or 0, not '2'"},
      {{"MailPort=65536"},
       "MailPort takes a port number from 1 to 65535 (0: not set, 25), not '65536'"},
      {{"SendMailInt=1x"}, "SendMailInt takes a whole number, not '1x'"},
      {{"WndX=2147483648"}, "WndX takes a whole number, not '2147483648'"},
      {{"MailServer=a\nb"}, "MailServer cannot hold a line break"},
      {{"MailPort=0"}, ""},  // what the dialog writes for an empty port: "not set"
      {{"MsgToMail=1", "MailMask=4", "MailTo=a@b"},
       settingsVerdictWords(SettingsVerdict::NoMailServer)},
      {{"MsgToMail=1", "MailMask=Spoofing", "MailServer=mx"},
       settingsVerdictWords(SettingsVerdict::NoMailReceiver)},
      {{"MsgToMail=1", "MailMask=4", "MailServer=mx", "MailTo=a@b", "MailPort=1"}, ""},
  };
  for (const Case& c : cases) {
    Settings s;
    EXPECT_EQ(apply(s, c.list).error, c.error) << c.list[0];
  }

  Settings s;
  const SettingsEditResult r =
      apply(s, {"checkint=7", "MailTo=0123456789012345678901234567890", " MsgOnRoute =1"});
  EXPECT_EQ(r.error, "");
  EXPECT_TRUE(r.msgOnRouteNamed);
  EXPECT_EQ(s.CheckInt, 7);
  EXPECT_EQ(std::string(s.MailTo), "0123456789012345678901234567890");
  EXPECT_FALSE(apply(s, {"CheckInt=8"}).msgOnRouteNamed);
}

TEST(ConsoleSettings, MasksTakeNumbersAndEventNames) {
  struct Case {
    const char* text;
    std::int32_t offered;
    std::int32_t mask;  // -1: refused
  } cases[] = {
      {"262", 374, 262},      {"spoofing , newaddress", 374, 20},
      {"256", 118, -1},       {"263", 374, -1},
      {"Info", 374, -1},      {"", 374, -1},
      {"Spoofing,", 374, -1}, {"99999999999", 374, -1},
  };
  for (const Case& c : cases) {
    std::int32_t mask = -7;
    std::string error;
    EXPECT_EQ(parseEventMask(c.text, c.offered, mask, error), c.mask >= 0) << c.text;
    if (c.mask >= 0) {
      EXPECT_EQ(mask, c.mask) << c.text;
    } else {
      EXPECT_FALSE(error.empty()) << c.text;
    }
  }
  EXPECT_EQ(eventMaskNames(263), "подмена адреса, ошибки программы, ошибки отправки почты");
}

// The settings lab sees the password shown as set; here the one it cannot open and the
// warnings about refused values from the file, in the dialog's order.
TEST(ConsoleSettings, ReportNamesAnUnopenablePasswordAndWarnsAboutRefusedValues) {
  Settings s;
  EXPECT_NE(formatSettingsReport(s, PasswordState::Unreadable).find("cannot be decrypted"),
            std::string::npos);
  EXPECT_TRUE(settingsWarnings(s).empty());
  s.CheckInt = 0;
  s.MaxScanThreads = 17;
  s.BlockNew = true;
  s.MsgMask = 263;
  s.MailMask = 256;
  const std::vector<std::string> w = settingsWarnings(s);
  ASSERT_EQ(w.size(), 5u);
  EXPECT_EQ(w[0], std::string("MaxScanThreads=17: ") + kThreads);
  EXPECT_EQ(w[1], std::string("CheckInt=0: ") + kInterval);
  EXPECT_EQ(w[2], std::string("AddNew=1, BlockNew=1: ") + kContradiction);
  EXPECT_NE(w[3].find("(1)"), std::string::npos);
  EXPECT_NE(w[4].find("(256)"), std::string::npos);
}

// Good UTF-8 is proven in the settings lab; text that cannot be converted passes unchanged.
TEST(ConsoleSettings, TypedTextThatIsNotConvertibleUtf8IsRefused) {
  std::string out;
  EXPECT_FALSE(utf8ToCp1251("\xe4\xb8\xad", out));  // a character Windows-1251 lacks
  EXPECT_FALSE(utf8ToCp1251("\xc0\x80", out));      // overlong
  EXPECT_FALSE(utf8ToCp1251("\xd0", out));          // cut short
  const std::string cp = "\xef\xee\xf7\xf2\xe0";    // Windows-1251 given by a script
  EXPECT_EQ(consoleInputText(cp), cp);
}

TEST(ConsoleSettings, PasswordLineFromAPipe) {
  struct Case {
    std::string input;
    PasswordInput result;
    std::string line;
  } cases[] = {
      {"no end", PasswordInput::Read, "no end"},  // the lab types whole lines
      {"", PasswordInput::NoInput, ""},
      {"12345678\n", PasswordInput::TooLong, ""},
      {"1234567\r\n", PasswordInput::Read, "1234567"},
  };
  for (const Case& c : cases) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], c.input.data(), c.input.size()),
              static_cast<ssize_t>(c.input.size()));
    ::close(fds[1]);
    std::string line;
    EXPECT_EQ(readPasswordLine(fds[0], 7, line), c.result) << c.input;
    if (c.result == PasswordInput::Read) {
      EXPECT_EQ(line, c.line) << c.input;
    }
    ::close(fds[0]);
  }
}

// The settings lab sees an edit refused while a monitor runs; here monitors sharing the
// directory, a monitor that waits for an edit, and a directory that is not there.
TEST(ConsoleSettings, AMonitorsSharedHoldKeepsEditsOut) {
  ScratchDir scratch;
  const std::string dir = scratch.path.string();
  int monitorA = -1, monitorB = -1, edit = -1;
  ASSERT_EQ(lockDataDirectory(dir, false, 0, monitorA), DirLockResult::Held);
  EXPECT_EQ(lockDataDirectory(dir, false, 0, monitorB), DirLockResult::Held);
  unlockDataDirectory(monitorA);
  unlockDataDirectory(monitorB);
  ASSERT_EQ(lockDataDirectory(dir, true, 0, edit), DirLockResult::Held);
  EXPECT_EQ(lockDataDirectory(dir, false, 100, monitorA), DirLockResult::Busy);
  unlockDataDirectory(edit);
  EXPECT_EQ(lockDataDirectory(dir + "/none", true, 0, edit), DirLockResult::Failed);

  // One monitor per directory; its claim leaves the editors' view of it as it was.
  int claimA = -1, claimB = -1;
  ASSERT_EQ(claimMonitorLock(dir, claimA), DirLockResult::Held);
  EXPECT_EQ(claimMonitorLock(dir, claimB), DirLockResult::Busy);
  EXPECT_EQ(claimB, -1);
  EXPECT_FALSE(dataDirectoryBusy(dir));
  unlockDataDirectory(claimA);
  EXPECT_EQ(claimMonitorLock(dir, claimB), DirLockResult::Held);
  unlockDataDirectory(claimB);
  EXPECT_EQ(claimMonitorLock(dir + "/none", claimA), DirLockResult::Failed);
}

namespace {

class ConsoleSettingsRun : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    resetConsoleSession();
    settings = Settings{};
    profile().clear();
    err = (scratch.path / "stderr.txt").string();
    consoleOut.fd = ::open((scratch.path / "stdout.txt").c_str(), O_WRONLY | O_CREAT, 0644);
    consoleErr.fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  void TearDown() override {
    ::close(consoleOut.fd);
    ::close(consoleErr.fd);
    consoleOut.fd = 1;
    consoleErr.fd = 2;
  }
  std::map<std::string, std::string>& profile() {
    return platform::fakeProfile((fs::absolute(scratch.path) / "quorel.ini").string());
  }
  int run(std::vector<const char*> args) {
    args.insert(args.begin(), {"vetrel", "settings", "--dir", dirText.c_str()});
    return runSettings(parseCommandLine(static_cast<int>(args.size()), args.data()));
  }
  std::string errText() { return readFile(err); }
  ScratchDir scratch;
  std::string dirText = scratch.path.string();
  std::string err;
};

}  // namespace

// The settings lab sees the service made and the password sealed; an edit must not redo an
// unchanged RunOnStart, nor touch a sealed password it cannot open.
TEST_F(ConsoleSettingsRun, AnEditLeavesWhatItDoesNotChange) {
  profile()["Vetrel/MailPassw"] = "ffee00";  // sealed elsewhere
  EXPECT_EQ(run({"set", "RunOnStart=1"}), kExitOk);
  EXPECT_EQ(run({"set", "RunOnStart=1", "CheckInt=9"}), kExitOk);
  EXPECT_EQ(fake.autostartCalls, (std::vector<std::pair<bool, std::string>>{{true, fake.exePath}}));
  EXPECT_EQ(profile()["Vetrel/CheckInt"], "9");
  EXPECT_EQ(profile()["Vetrel/MailPassw"], "ffee00");
  EXPECT_EQ(profile().count("Vetrel/MsgOnRoute"), 0u);
}

// Showing such an ini is run in the settings lab; an edit must not write the defaults.
TEST_F(ConsoleSettingsRun, AnIniThatCannotBeReadIsNotEditedAsTheDefaults) {
  fs::create_directory(fs::absolute(scratch.path) / "quorel.ini");
  EXPECT_EQ(run({"set", "CheckInt=9"}), kExitFailure);
  EXPECT_NE(errText().find("; nothing was written"), std::string::npos) << errText();
  EXPECT_EQ(profile().count("Vetrel/CheckInt"), 0u);
}

// The dialog shows the value it refuses; the console names it when it came from the file.
TEST_F(ConsoleSettingsRun, ARefusedValueFromTheFileIsNamed) {
  profile()["Vetrel/CheckInt"] = "0";
  profile()["Vetrel/BlockNew"] = "1";
  auto complaint = [&](std::vector<const char*> args) {
    const std::size_t before = errText().size();
    EXPECT_EQ(run(args), kExitUsage);
    return errText().substr(before);
  };
  EXPECT_NE(complaint({"set", "MailPort=26"}).find("(quorel.ini holds CheckInt=0; "),
            std::string::npos);
  EXPECT_EQ(complaint({"set", "checkint=1"}).find("holds"), std::string::npos);
  EXPECT_NE(complaint({"set", "CheckInt=5", "AddNew=1"}).find("(quorel.ini holds BlockNew=1; "),
            std::string::npos);
  EXPECT_EQ(profile()["Vetrel/CheckInt"], "0");
}

TEST(ConsoleSettings, SyslogKeysAreTakenOutCheckedTogetherAndWrittenAsGiven) {
  struct {
    std::vector<std::string> list;
    const char* error;
    const char* written;  // KEY=VALUE;... when applied
  } const cases[] = {
      {{"syslogserver=log.lab", "CheckInt=9", "SyslogMask=Info,Spoofing"},
       "",
       "SyslogServer=log.lab;SyslogMask=5;"},
      {{"SyslogPort=0"}, "SyslogPort takes a port number from 1 to 65535, not '0'", ""},
      {{"SyslogProto=sctp"}, "SyslogProto takes udp or tcp, not 'sctp'", ""},
      {{"SyslogMask=Nothing"}, "SyslogMask takes a number or event names", ""},
      {{"SyslogMask=1024"}, "SyslogMask takes a number or event names", ""},
      {{"SyslogServer=a b"}, "SyslogServer takes a host name", ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> list = c.list;
    SyslogKeys keys;
    std::vector<std::pair<std::string, std::string>> written;
    const std::string error = takeSyslogAssignments(list, keys, written);
    EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << c.list[0];
    std::string text;
    for (const auto& [k, v] : written) text += k + "=" + v + ";";
    if (c.error[0] != 0) continue;
    EXPECT_EQ(text, c.written);
    EXPECT_EQ(list, std::vector<std::string>{"CheckInt=9"});
  }
}
