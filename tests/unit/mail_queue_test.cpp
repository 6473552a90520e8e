#include "report/mail_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    takeMailQueue();
    started.clear();
    startAnswer = true;
    socketsReady = true;
    startMailThread = recordStart;
  }
  void TearDown() override {
    startMailThread = nullptr;
    socketsReady = false;
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
  startMailSend();  // nothing queued: no thread
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

}  // namespace
