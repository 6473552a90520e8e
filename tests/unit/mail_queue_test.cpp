#include "report/mail_queue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "failing_allocations.h"
#include "report/window_lines.h"

namespace {

std::vector<std::string> started;
bool startAnswer = true;
bool recordStart(std::string text) {
  started.push_back(std::move(text));
  return startAnswer;
}

class MailQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetMailQueue();
    mailCountdown = 0;
    started.clear();
    startAnswer = true;
    socketsReady = true;
    startMailThread = recordStart;
  }
  void TearDown() override {
    startMailThread = nullptr;
    socketsReady = false;
    resetMailQueue();
  }
};

TEST_F(MailQueueTest, SendTakesTheWholeQueueForOneThread) {
  enqueueMail("one\r\n");
  enqueueMail(nullptr);
  enqueueMail("two\r\n");
  startMailSend();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0], "one\r\ntwo\r\n");
  EXPECT_TRUE(mailQueueEmpty());
  mailSendFinished();  // as the thread does at its end
  startMailSend();     // nothing queued: no thread
  EXPECT_EQ(started.size(), 1u);
  enqueueMail("three\r\n");  // a new text after the take
  startMailSend();
  ASSERT_EQ(started.size(), 2u);
  EXPECT_EQ(started[1], "three\r\n");
}

TEST_F(MailQueueTest, WithoutSocketsTheLinesAccumulate) {
  socketsReady = false;
  enqueueMail("one\r\n");
  startMailSend();
  enqueueMail("two\r\n");
  startMailSend();
  EXPECT_TRUE(started.empty());
  EXPECT_EQ(takeMailQueue(), "one\r\ntwo\r\n");
}

TEST_F(MailQueueTest, AThreadThatCannotStartLosesItsText) {
  startAnswer = false;
  enqueueMail("one\r\n");
  startMailSend();
  EXPECT_EQ(started.size(), 1u);
  EXPECT_TRUE(mailQueueEmpty());
}

TEST_F(MailQueueTest, WhileASendIsUnderWayLaterTextJoinsTheOneWaitingMessage) {
  enqueueMail("one\r\n");
  startMailSend();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_TRUE(mailSendUnderWay());
  for (const char* line : {"two\r\n", "three\r\n", "four\r\n"}) {
    enqueueMail(line);
    startMailSend();  // each countdown's end while the first send hangs
  }
  EXPECT_EQ(started.size(), 1u);
  EXPECT_TRUE(mailQueueEmpty());
  enqueueMail("five\r\n");  // its countdown still running when the send ends
  mailCountdown = 9;
  mailSendFinished();
  EXPECT_FALSE(mailSendUnderWay());
  EXPECT_EQ(mailCountdown, 9);  // the waiting text goes with that countdown
  startMailSend();
  ASSERT_EQ(started.size(), 2u);
  EXPECT_EQ(started[1], "two\r\nthree\r\nfour\r\nfive\r\n");
  // With a waiting text and no countdown the next tick sends it (the mail tests prove that).
  mailCountdown = 0;
  mailSendFinished();
  EXPECT_EQ(mailCountdown, 0);  // nothing waits: no tick is forced
}

TEST_F(MailQueueTest, OutOfMemoryDropsTheMailOrWindowLineWithoutThrowing) {
  SKIP_WITHOUT_FAILING_ALLOCATIONS();  // a line that cannot be queued: the journal's test
  enqueueMail("one\r\n");
  startMailSend();  // under way
  enqueueMail("05.03.2013 14:07:09 two\r\n");
  startMailSend();  // waiting
  enqueueMail("05.03.2013 14:07:10 three\r\n");
  {
    FailingAllocations failing;
    EXPECT_NO_THROW(startMailSend());  // cannot join the waiting text: stays queued
  }
  EXPECT_EQ(takeMailQueue(), "05.03.2013 14:07:10 three\r\n");
  openWindowLines();
  bool wake = true;
  {
    FailingAllocations failing;
    EXPECT_FALSE(queueWindowLine("14:07:12 a line too long for the string itself", wake));
  }
  EXPECT_FALSE(wake);
  EXPECT_TRUE(takeWindowLines().empty());
}

TEST(WindowLines, TheGuiThreadTakesTheLinesInOrderAndOneWakeUpServesMany) {
  openWindowLines();
  bool wake = false;
  EXPECT_TRUE(queueWindowLine("14:07:09 one\r\n", wake));
  EXPECT_TRUE(wake);
  EXPECT_TRUE(queueWindowLine(nullptr, wake));
  EXPECT_FALSE(wake);  // the first wake-up is still on its way
  EXPECT_EQ(takeWindowLines(), (std::vector<std::string>{"14:07:09 one\r\n", ""}));
  EXPECT_TRUE(takeWindowLines().empty());  // a stray wake-up finds nothing
  EXPECT_TRUE(queueWindowLine("14:07:11 three\r\n", wake));
  EXPECT_TRUE(wake);
  closeWindowLines();  // exit: the waiting line is freed
  EXPECT_TRUE(takeWindowLines().empty());
  EXPECT_FALSE(queueWindowLine("14:07:13 late\r\n", wake));
  EXPECT_FALSE(wake);
  openWindowLines();
}

// Destroyed after the logic library's statics (it is constructed before them), so at exit it
// acts as a detached mail thread would after the program returned from its entry.
struct LateReporter {
  bool armed = false;
  ~LateReporter() {
    if (!armed) return;
    enqueueMail("05.03.2013 14:07:10 Отправлено сообщение на to@y\r\n");
    bool wake = false;
    queueWindowLine("14:07:10 Отправлено сообщение на to@y\r\n", wake);
    const bool ok = takeMailQueue() ==
                    "05.03.2013 14:07:09 Подмена адреса! 10.0.0.1 a long queued line\r\n"
                    "05.03.2013 14:07:10 Отправлено сообщение на to@y\r\n";
    std::_Exit(ok ? 3 : 4);
  }
} lateReporter;

TEST(MailQueueAtExit, AThreadReportingAfterTheStaticDestructorsFindsTheQueuesAlive) {
  EXPECT_EXIT(
      {
        enqueueMail("05.03.2013 14:07:09 Подмена адреса! 10.0.0.1 a long queued line\r\n");
        bool wake = false;
        queueWindowLine("14:07:09 Подмена адреса! 10.0.0.1 a long queued line\r\n", wake);
        lateReporter.armed = true;
        std::exit(0);
      },
      ::testing::ExitedWithCode(3), "");
}

}  // namespace
