// From queued journal lines to one mail: the countdown, the launcher and sendLock.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "arp/check_cycle.h"
#include "base/text_field.h"
#include "fake/fake_platform.h"
#include "fake/smtp_peer.h"
#include "mail_test_support.h"
#include "report/journal.h"
#include "report/mail_queue.h"
#include "settings/settings.h"

namespace {

const std::vector<std::string> kAccepting = {"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n",
                                             "354 go\r\n", "250 ok\r\n", "221 bye\r\n"};

class MailSend : public MailTest {
 protected:
  void useServer(unsigned port) {
    copyField(settings.MailServer, "127.0.0.1");
    settings.MailPort = static_cast<std::int32_t>(port);
    copyField(settings.MailFrom, "from@x");
    copyField(settings.MailTo, "to@y");
    settings.MsgToMail = true;
    socketsReady = true;
    startMailThread = launchMailThread;
  }
};

void advanceClock() {
  if (++fake.now.second == 60) fake.now.second = 0, ++fake.now.minute;
}

}  // namespace

TEST_F(MailSend, TenLinesTenTicksApartMakeOneMessageThirtyTicksAfterTheLast) {
  SmtpPeer peer(kAccepting);
  useServer(peer.port());
  settings.SendMailInt = 30;
  resetCheckCycle();  // the ARP checks in between read an empty table
  fake.now = {2013, 3, 5, 14, 0, 0, 2};
  for (int i = 1; i <= 10; ++i) {
    reportEvent(("Подмена адреса! " + std::to_string(i)).c_str(), Spoofing);
    for (int t = 0; t < (i < 10 ? 10 : 29); ++t) checkTick(), advanceClock();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(peer.connected());  // 29 ticks after the tenth line: still quiet
  checkTick();
  ASSERT_TRUE(waitForJournal(11));
  EXPECT_EQ(journalTexts().back(), "Отправлено сообщение на to@y");

  const std::vector<std::string> got = peer.received();
  ASSERT_EQ(got.size(), 6u);
  std::string body;
  for (int i = 1; i <= 10; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "05.03.2013 14:%02d:%02d ", (i - 1) * 10 / 60,
                  (i - 1) * 10 % 60);
    body += line + ("Подмена адреса! " + std::to_string(i)) + "\r\n";
  }
  EXPECT_NE(got[4].find("Content-Transfer-Encoding: 8bit\r\n\r\n" + body + "\r\n\r\n.\r\n"),
            std::string::npos);
  EXPECT_TRUE(mailQueueEmpty());
  EXPECT_LE(mailCountdown, 0);
}

TEST_F(MailSend, TheSendUsesTheSettingsAsTheyWereWhenItStarted) {
  SmtpPeer peer(kAccepting);
  useServer(peer.port());
  std::unique_lock hold(sendLock);  // keeps the thread from starting its exchange
  enqueueMail("05.03.2013 14:07:09 x\r\n");
  startMailSend();
  copyField(settings.MailTo, "changed@z");
  copyField(settings.MailServer, "mail.vetrel.invalid");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(peer.connected());  // sends wait for each other
  hold.unlock();
  ASSERT_TRUE(waitForJournal(1));
  EXPECT_EQ(journalTexts(), std::vector<std::string>{"Отправлено сообщение на to@y"});
  EXPECT_EQ(peer.received()[2], "RCPT TO: <to@y>\r\n");
}

TEST_F(MailSend, NothingStartsWithoutSocketsOrText) {
  SmtpPeer peer(kAccepting);
  useServer(peer.port());
  socketsReady = false;
  enqueueMail("05.03.2013 14:07:09 kept\r\n");
  startMailSend();
  EXPECT_FALSE(mailQueueEmpty());  // lines keep accumulating
  socketsReady = true;
  takeMailQueue();
  startMailSend();  // nothing queued: no thread
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(peer.connected());
  EXPECT_TRUE(journalTexts().empty());
  enqueueMail("05.03.2013 14:07:09 now\r\n");
  startMailSend();
  ASSERT_TRUE(waitForJournal(1));
  EXPECT_NE(peer.received()[4].find("\r\n\r\n05.03.2013 14:07:09 now\r\n"), std::string::npos);
}

TEST_F(MailSend, AHangingSendKeepsOneThreadAndLaterLinesWaitInOneMessage) {
  {
    SmtpPeer silent({""});  // accepts, never greets: the send hangs for smtpWaitMs
    useServer(silent.port());
    settings.SendMailInt = 1;
    resetCheckCycle();
    reportEvent("Подмена адреса! 1", Spoofing);
    checkTick();  // the countdown ends: the first send starts
    for (int i = 2; i <= 6; ++i) {
      reportEvent(("Подмена адреса! " + std::to_string(i)).c_str(), Spoofing);
      checkTick();  // each countdown's end while the first send hangs
      EXPECT_TRUE(mailSendUnderWay());
    }
    ASSERT_TRUE(waitForJournal(7));  // six reports and the hanging send's error
    for (int waited = 0; waited < 2000 && mailSendUnderWay(); waited += 5)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(mailSendUnderWay());
    EXPECT_EQ(mailCountdown, 1);  // the waiting message goes at the next tick
    silent.received();
  }
  SmtpPeer peer(kAccepting);
  useServer(peer.port());
  checkTick();
  ASSERT_TRUE(waitForJournal(8));
  EXPECT_EQ(journalTexts()[7], "Отправлено сообщение на to@y");
  const std::string body = peer.received()[4];
  for (int i = 2; i <= 6; ++i)
    EXPECT_NE(body.find("Подмена адреса! " + std::to_string(i) + "\r\n"), std::string::npos) << i;
  EXPECT_EQ(body.find("Подмена адреса! 1\r\n"), std::string::npos);
}
