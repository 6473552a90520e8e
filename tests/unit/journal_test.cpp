#include "report/journal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "failing_allocations.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "file_size_limit.h"
#include "report/mail_queue.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace fs = std::filesystem;

namespace {

int clockReads = 0;
platform::WallClock countingClock() {
  // Every reading is one second later, so two readings for one line would show.
  platform::WallClock t = fake.now;
  t.second += clockReads++;
  return t;
}

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    installUiRecorder();
    settings = Settings{};
    readLocalClock = platform::localNow;
    clockReads = 0;
    takeMailQueue();
    mailCountdown = 0;
    logPath_ = (dir_.path / "quorel.log").string();
  }
  void TearDown() override {
    closeLog();
    readLocalClock = platform::localNow;
  }
  std::string logText() const { return readFile(logPath_); }
  ScratchDir dir_;
  std::string logPath_;
};

TEST_F(JournalTest, TrailingBlanksAndLineEndsAreTrimmedBeforeOneCrLf) {
  reportEvent("Запуск программы.\r\n", Info);
  reportEvent("Запуск программы. \t\r\n \n", Info);
  reportEvent("   ", Info);
  reportEvent("", Info);
  reportEvent(nullptr, Info);
  reportEvent("  первая\nвторая", Info);
  ASSERT_EQ(ui.windowLines.size(), 6u);
  EXPECT_EQ(ui.windowLines[0], "14:07:09 Запуск программы.\r\n");
  EXPECT_EQ(ui.windowLines[1], ui.windowLines[0]);
  EXPECT_EQ(ui.windowLines[2], "14:07:09 \r\n");
  EXPECT_EQ(ui.logLines[2], "05.03.2013 14:07:09 \r\n");
  EXPECT_EQ(ui.logLines[2].size(), 22u);
  EXPECT_EQ(ui.windowLines[3], "14:07:09 \r\n");
  EXPECT_EQ(ui.windowLines[4], "14:07:09 \r\n");
  // Inside the text a line break would start a line of its own in the log.
  EXPECT_EQ(ui.windowLines[5], "14:07:09   первая?вторая\r\n");
  EXPECT_EQ(ui.logLines[5], "05.03.2013 14:07:09   первая?вторая\r\n");
}

TEST_F(JournalTest, BothStampsComeFromOneClockReading) {
  fake.now = {2013, 3, 5, 23, 59, 59, 2};
  readLocalClock = countingClock;
  reportEvent("x", Info);
  EXPECT_EQ(clockReads, 1);
  ASSERT_EQ(ui.logLines.size(), 1u);
  EXPECT_EQ(ui.windowLines[0], "23:59:59 x\r\n");
  EXPECT_EQ(ui.logLines[0], "05.03.2013 23:59:59 x\r\n");
}

TEST_F(JournalTest, LongTextIsCutAt509CharactersWithoutOverflow) {
  reportEvent(std::string(600, 'a').c_str(), Info);
  reportEvent((std::string(509, 'b') + "\r\n").c_str(), Info);
  // Cut first, trimmed afterwards: blanks that land at the cut disappear.
  reportEvent((std::string(505, 'c') + std::string(10, ' ') + "x").c_str(), Info);
  ASSERT_EQ(ui.logLines.size(), 3u);
  EXPECT_EQ(ui.windowLines[0], "14:07:09 " + std::string(509, 'a') + "\r\n");
  EXPECT_EQ(ui.logLines[0], "05.03.2013 14:07:09 " + std::string(509, 'a') + "\r\n");
  EXPECT_EQ(ui.logLines[1], "05.03.2013 14:07:09 " + std::string(509, 'b') + "\r\n");
  EXPECT_EQ(ui.logLines[2], "05.03.2013 14:07:09 " + std::string(505, 'c') + "\r\n");
}

TEST_F(JournalTest, DefaultMasksMailAndPopUpSpoofingOnly) {
  settings.MsgToMail = true;
  settings.SendMailInt = 30;
  reportEvent("Запуск программы.", Info);
  EXPECT_EQ(ui.popUps, 0);
  EXPECT_TRUE(mailQueueEmpty());
  EXPECT_EQ(mailCountdown.load(), 0);

  reportEvent("Подмена адреса! 10.0.0.1", Spoofing);
  EXPECT_EQ(ui.popUps, 1);
  EXPECT_EQ(mailCountdown.load(), 30);
  reportEvent("Ошибка при обращении к ARP таблице.", ProgramError);  // pops up, not mailed
  reportEvent("Новый IP-адрес! 10.0.0.2", NewAddress);               // neither
  EXPECT_EQ(ui.popUps, 2);
  EXPECT_EQ(takeMailQueue(), "05.03.2013 14:07:09 Подмена адреса! 10.0.0.1\r\n");
  EXPECT_EQ(ui.windowLines.size(), 4u);
}

TEST_F(JournalTest, SwitchesGateMailAndPopUpButNeverTheWindow) {
  settings.ShowMsg = false;
  settings.MsgToMail = false;
  settings.MsgMask = -1;
  settings.MailMask = -1;
  for (std::int32_t kind :
       {Info, ProgramError, Spoofing, NewAddress, AdditionalIp, RouteChange, MailError})
    reportEvent("x", kind);
  EXPECT_EQ(ui.popUps, 0);
  EXPECT_TRUE(mailQueueEmpty());
  EXPECT_EQ(ui.windowLines.size(), 7u);

  // A bit that no list offers acts like any other once it is in a mask.
  settings.ShowMsg = true;
  settings.MsgToMail = true;
  settings.MsgMask = 1;
  settings.MailMask = 64;
  reportEvent("Запуск программы.", Info);
  reportEvent("Изменения таблицы маршрутов", RouteChange);
  EXPECT_EQ(ui.popUps, 1);
  EXPECT_EQ(takeMailQueue(), "05.03.2013 14:07:09 Изменения таблицы маршрутов\r\n");
}

TEST_F(JournalTest, EveryMailedLineRestartsTheCountdown) {
  settings.MsgToMail = true;
  settings.SendMailInt = 30;
  mailCountdown = 4;
  reportEvent("Подмена адреса! a", Spoofing);
  EXPECT_EQ(mailCountdown.load(), 30);
  mailCountdown = 1;
  reportEvent("Подмена адреса! b", Spoofing);
  EXPECT_EQ(mailCountdown.load(), 30);
  mailCountdown = 7;
  reportEvent("not mailed", Info);
  EXPECT_EQ(mailCountdown.load(), 7);
  EXPECT_EQ(takeMailQueue(),
            "05.03.2013 14:07:09 Подмена адреса! a\r\n05.03.2013 14:07:09 Подмена адреса! b\r\n");
}

TEST_F(JournalTest, LoggingOnAndOffFramesTheStretchInTheFile) {
  openLog(logPath_.c_str());
  ASSERT_TRUE(logIsOpen());
  reportEvent("before", Info);
  switchLogging(true);
  EXPECT_TRUE(settings.WriteLog);
  reportEvent("during", Info);
  switchLogging(false);
  EXPECT_FALSE(settings.WriteLog);
  reportEvent("paused", Info);
  switchLogging(true);
  closeLog();
  EXPECT_FALSE(logIsOpen());
  reportEvent("after close", Info);  // no file: silently not written
  EXPECT_EQ(logText(),
            "05.03.2013 14:07:09 Начало записи в лог-файл.\r\n"
            "05.03.2013 14:07:09 during\r\n"
            "05.03.2013 14:07:09 Конец записи в лог-файл.\r\n"
            "05.03.2013 14:07:09 Начало записи в лог-файл.\r\n");
}

TEST_F(JournalTest, LogIsAppendedToAndSurvivesReopening) {
  writeFile(logPath_, "old\r\n");
  settings.WriteLog = true;
  openLog(logPath_.c_str());
  reportEvent("one", Info);
  openLog(logPath_.c_str());
  reportEvent("two", Info);
  EXPECT_EQ(logText(), "old\r\n05.03.2013 14:07:09 one\r\n05.03.2013 14:07:09 two\r\n");
}

TEST_F(JournalTest, ALazyLogIsMadeByItsFirstLineAndReopenedAfterARename) {
  openLogLazily(logPath_.c_str());
  reportEvent("not for the log", Info);
  EXPECT_FALSE(std::filesystem::exists(logPath_));
  settings.WriteLog = true;
  reportEvent("one", Info);
  std::filesystem::rename(logPath_, logPath_ + ".1");
  reportEvent("two", Info);
  EXPECT_TRUE(reopenLog());
  reportEvent("three", Info);
  EXPECT_EQ(readFile(logPath_ + ".1"), "05.03.2013 14:07:09 one\r\n05.03.2013 14:07:09 two\r\n");
  EXPECT_EQ(logText(), "05.03.2013 14:07:09 three\r\n");
  closeLog();
  EXPECT_FALSE(reopenLog());
}

TEST_F(JournalTest, UnopenableLogLeavesWindowMailAndPopUpWorking) {
  settings.WriteLog = true;
  settings.MsgToMail = true;
  openLog((dir_.path / "missing" / "quorel.log").string().c_str());
  EXPECT_FALSE(logIsOpen());
  reportEvent("Подмена адреса! c", Spoofing);
  EXPECT_EQ(ui.windowLines.size(), 1u);
  EXPECT_EQ(ui.popUps, 1);
  EXPECT_FALSE(mailQueueEmpty());
}

TEST_F(JournalTest, LogNameThatIsNoFileIsSaidOnceWhenLoggingWantsIt) {
  // A FIFO named quorel.log: never opened, never waited for.
  ASSERT_EQ(::mkfifo(logPath_.c_str(), 0644), 0);
  openLog(logPath_.c_str());
  EXPECT_FALSE(logIsOpen());
  reportEvent("not for the log", Info);
  switchLogging(true);
  reportEvent("more", Info);
  ASSERT_EQ(ui.windowLines.size(), 4u);
  EXPECT_EQ(ui.windowLines[1], "14:07:09 Начало записи в лог-файл.\r\n");
  EXPECT_EQ(ui.windowLines[2], "14:07:09 Ошибка открытия лог-файла " + logPath_ +
                                   ": это не файл. Запись в лог не ведется.\r\n");
  EXPECT_EQ(ui.windowLines[3], "14:07:09 more\r\n");
  EXPECT_EQ(ui.popUps, 1);    // a program error pops the window up with the default mask
  openLog(logPath_.c_str());  // each opening that is refused says so
  reportEvent("again", Info);
  EXPECT_EQ(ui.windowLines.size(), 6u);
  closeLog();
  reportEvent("closed", Info);  // a closed log is no refusal
  EXPECT_EQ(ui.windowLines.size(), 7u);
}

TEST_F(JournalTest, LineCutByAFullDiskDoesNotMergeWithTheNext) {
  settings.WriteLog = true;
  openLog(logPath_.c_str());
  reportEvent("first", Info);
  const std::string first = "05.03.2013 14:07:09 first\r\n";
  {
    FileSizeLimit full(first.size() + 10);
    reportEvent("cut after ten bytes", Info);
    reportEvent("not written at all", Info);
  }
  reportEvent("after", Info);
  {
    FileSizeLimit full(fs::file_size(logPath_));
    reportEvent("lost at a line start", Info);
  }
  reportEvent("last", Info);
  EXPECT_EQ(logText(), first + "05.03.2013" + "\r\n05.03.2013 14:07:09 after\r\n" +
                           "05.03.2013 14:07:09 last\r\n");
}

TEST_F(JournalTest, LinesFromTwoThreadsNeverInterleave) {
  settings.WriteLog = true;
  settings.MsgToMail = true;
  settings.MailMask = -1;
  openLog(logPath_.c_str());
  constexpr int kLines = 400;
  auto writer = [](char tag) {
    const std::string text = std::string(1, tag) + std::string(300, tag);
    for (int i = 0; i < kLines; ++i) reportEvent(text.c_str(), Spoofing);
  };
  std::thread a(writer, 'a');
  std::thread b(writer, 'b');
  a.join();
  b.join();
  closeLog();

  const std::string text = logText();
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end + 2 - start));
  EXPECT_EQ(start, text.size());
  ASSERT_EQ(lines.size(), 2u * kLines);
  int as = 0;
  for (const std::string& l : lines) {
    const char tag = l[20];
    EXPECT_EQ(l, "05.03.2013 14:07:09 " + std::string(301, tag) + "\r\n");
    as += tag == 'a';
  }
  EXPECT_EQ(as, kLines);
  // The window, the file and the mail saw the lines in one and the same order.
  EXPECT_EQ(ui.logLines, lines);
  std::string mailed;
  for (const std::string& l : lines) mailed += l;
  EXPECT_EQ(takeMailQueue(), mailed);
}

TEST_F(JournalTest, MessageWindowCutStartsPastTheCap) {
  EXPECT_EQ(messageWindowCut(0, 30), 0u);
  EXPECT_EQ(messageWindowCut(kMessageWindowCap, 30), 0u);
  EXPECT_EQ(messageWindowCut(kMessageWindowCap + 1, 30), 30u);
  EXPECT_EQ(messageWindowCut(kMessageWindowCap + 500, 11), 11u);
}

TEST_F(JournalTest, StatusTextIsCutTo131Characters) {
  setStatusText(0, "Кэш: %u *", 17u);
  setStatusText(1, "Образцы: %u", 3u);
  setStatusText(2, "%s", std::string(200, 'z').c_str());
  EXPECT_EQ(ui.status[0], "Кэш: 17 *");
  EXPECT_EQ(ui.status[1], "Образцы: 3");
  EXPECT_EQ(ui.status[2], std::string(131, 'z'));
}

}  // namespace

TEST_F(JournalTest, OutOfMemoryInTheWindowHookOrTheMailQueueNeverReachesTheCaller) {
  SKIP_WITHOUT_FAILING_ALLOCATIONS();
  settings.WriteLog = true;
  settings.MsgToMail = true;
  settings.MailMask = Spoofing;
  settings.SendMailInt = 30;
  openLog(logPath_.c_str());
  enqueueMail("x\r\n");
  {
    FailingAllocations failing;  // the recorder's line copy and the queue's append both throw
    EXPECT_NO_THROW(reportEvent("Подмена адреса! 10.0.0.1 00-1a-2b-3c-4d-5e", Spoofing));
  }
  EXPECT_TRUE(ui.windowLines.empty());
  EXPECT_EQ(logText(), "05.03.2013 14:07:09 Подмена адреса! 10.0.0.1 00-1a-2b-3c-4d-5e\r\n");
  EXPECT_EQ(takeMailQueue(), "x\r\n");
  EXPECT_EQ(mailCountdown.load(), 30);
  EXPECT_EQ(ui.popUps, 1);
}
