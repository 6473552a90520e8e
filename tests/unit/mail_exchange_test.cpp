// SMTP dialogues of the mail thread against a scripted server on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "fake/fake_sockets.h"
#include "fake/smtp_peer.h"
#include "mail_test_support.h"
#include "report/smtp.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kText =
    "05.03.2013 14:07:09 Подмена адреса! 10.0.0.1 00-11-22-33-44-55\r\n"
    "05.03.2013 14:07:10 Новый IP-адрес! 10.0.0.2\r\n";

std::string messageFor(const std::string& text, const char* to = "to@y") {
  return std::string("Date: Tue, 05 Mar 2013 14:07:09 +0300\r\n") + "From: <from@x>\r\nTo: " + to +
         "\r\nSubject: Vetrel\r\nMessage-ID: <id>\r\nMIME-Version: 1.0\r\n"
         "Content-Type: text/plain; charset=\"windows-1251\";\r\n"
         "Content-Transfer-Encoding: 8bit\r\n\r\n" +
         text + "\r\n\r\n.\r\n";
}

// What the peer got, the id that differs per message written as <id>.
Lines received(SmtpPeer& peer) {
  Lines got = peer.received();
  for (std::string& m : got)
    if (const std::size_t at = m.find("\r\nMessage-ID: <"); at != std::string::npos)
      m.replace(at + 15, m.find('>', at) - at - 15, "id");
  return got;
}

const char* kSent = "Отправлено сообщение на to@y";

std::string failure(int step, const std::string& text) {
  // The journal drops the blank before an empty text.
  return "Ошибка посылки почтового сообщения: " + std::to_string(step) + ":" +
         (text.empty() ? "" : " " + text);
}

class MailExchange : public MailTest {};

}  // namespace

TEST_F(MailExchange, AuthLoginWithAnEhloReplySplitAcrossSegments) {
  const std::string brk(1, kSegmentBreak);
  SmtpPeer peer({"220 mail.test ESMTP\r\n",
                 "250-mail.test" + brk + "\r\n250-SIZE 1000\r\n" + brk + "250 AUTH LOGIN PLAIN\r\n",
                 "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", "235 ok\r\n", "250 ok\r\n",
                 "250 ok\r\n", "354 go\r\n", "250 queued\r\n", "221 bye\r\n"});
  EXPECT_EQ(mailThread(kText, mailTo(peer.port(), "to@y", "Логин", "Пароль")), 0);
  EXPECT_EQ(received(peer), (Lines{"EHLO a\r\n", "AUTH LOGIN\r\n", "y+7j6O0=\r\n", "z+Dw7uv8\r\n",
                                   "MAIL FROM: <from@x>\r\n", "RCPT TO: <to@y>\r\n", "DATA\r\n",
                                   messageFor(kText), "QUIT\r\n"}));
  EXPECT_EQ(journalTexts(), Lines{kSent});
  EXPECT_EQ(fakeSockets.opened, 1);
  EXPECT_EQ(fakeSockets.closed, 1);
  EXPECT_EQ(fakeSockets.nonBlockingOn, 1);
  EXPECT_EQ(fakeSockets.nonBlockingOff, 1);
}

TEST_F(MailExchange, EhloBranches) {
  {  // 500: HELO, and no AUTH even with a login
    SmtpPeer peer({"220 hi\r\n", "500 what\r\n", "250 hello\r\n", "250 ok\r\n", "250 ok\r\n",
                   "354 go\r\n", "250 ok\r\n", "221 bye\r\n"});
    mailThread(kText, mailTo(peer.port(), "to@y", "user", "pw"));
    const Lines got = peer.received();
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(Lines(got.begin(), got.begin() + 3),
              (Lines{"EHLO a\r\n", "HELO a\r\n", "MAIL FROM: <from@x>\r\n"}));
  }
  {  // 502: no HELO, straight on
    SmtpPeer peer({"220 hi\r\n", "502 no\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n",
                   "250 ok\r\n", "221 bye\r\n"});
    mailThread(kText, mailTo(peer.port(), "to@y", "user", "pw"));
    const Lines got = peer.received();
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[1], "MAIL FROM: <from@x>\r\n");
  }
  {  // AUTH offered but no login: no AUTH
    SmtpPeer peer({"220 hi\r\n", "250-x\r\n250 AUTH LOGIN\r\n", "250 ok\r\n", "250 ok\r\n",
                   "354 go\r\n", "250 ok\r\n", "221 bye\r\n"});
    mailThread(kText, mailTo(peer.port()));
    EXPECT_EQ(peer.received()[1], "MAIL FROM: <from@x>\r\n");
  }
  {  // "auth" in lower case is not AUTH
    SmtpPeer peer({"220 hi\r\n", "250 auth login\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n",
                   "250 ok\r\n", "221 bye\r\n"});
    mailThread(kText, mailTo(peer.port(), "to@y", "user", "pw"));
    EXPECT_EQ(peer.received()[1], "MAIL FROM: <from@x>\r\n");
  }
  {  // bare LF line ends, a reply ending right after its code: complete, not held to the wait
    SmtpPeer peer({"220\n", "250\n", "250 ok\n", "250 ok\n", "354\n", "250 ok\n", "221\n"});
    smtpWaitMs = 10000;
    const auto start = std::chrono::steady_clock::now();
    mailThread(kText, mailTo(peer.port()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(smtpWaitMs));
    EXPECT_EQ(peer.received().size(), 6u);
  }
  {  // EHLO never answered: after the wait, MAIL FROM without HELO
    SmtpPeer peer(
        {"220 hi\r\n", "", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n", "221 bye\r\n"});
    smtpWaitMs = 300;
    mailThread(kText, mailTo(peer.port(), "to@y", "user", "pw"));
    EXPECT_EQ(peer.received()[1], "MAIL FROM: <from@x>\r\n");
  }
  EXPECT_EQ(journalTexts(), (Lines{kSent, kSent, kSent, kSent, kSent, kSent}));
}

TEST_F(MailExchange, RefusalsNameTheirStepAndReply) {
  {
    SmtpPeer peer({"421 mail.test busy\r\n"});
    mailThread(kText, mailTo(peer.port()));
    EXPECT_EQ(peer.received(), Lines{});  // nothing sent after a refused greeting
  }
  {  // an empty recipient still goes out, between empty brackets
    SmtpPeer peer({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "550 5.1.1 no such user\r\n"});
    mailThread(kText, mailTo(peer.port(), ""));
    EXPECT_EQ(peer.received()[2], "RCPT TO: <>\r\n");
  }
  {  // the message is accepted, QUIT is not: still a failure at 30
    SmtpPeer peer({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n",
                   "250 queued\r\n", "500 eh\r\n"});
    mailThread(kText, mailTo(peer.port()));
    EXPECT_EQ(received(peer)[4], messageFor(kText));
  }
  {  // AUTH refused at the password
    SmtpPeer peer(
        {"220 hi\r\n", "250 AUTH LOGIN\r\n", "334 a\r\n", "334 b\r\n", "535 5.7.8 bad\r\n"});
    mailThread(kText, mailTo(peer.port(), "to@y", "u", ""));
    EXPECT_EQ(peer.received()[3], "\r\n");  // an empty password is a bare CR LF
  }
  EXPECT_EQ(journalTexts(),
            (Lines{failure(5, "421 mail.test busy"), failure(21, "550 5.1.1 no such user"),
                   failure(30, "500 eh"), failure(17, "535 5.7.8 bad")}));
  EXPECT_EQ(fakeSockets.opened, 4);
  EXPECT_EQ(fakeSockets.closed, 4);
}

TEST_F(MailExchange, SocketFailuresBeforeTheDialogue) {
  mailThread(kText, mailTo(25, "to@y", "", "", "mail.vetrel.invalid"));
  mailThread(kText, mailTo(closedLoopbackPort()));
  fakeSockets.openError = 10024;
  mailThread(kText, mailTo(25));
  fakeSockets.openError = 0;
  fakeSockets.nonBlockingError = 10038;
  {
    SmtpPeer peer({"220 hi\r\n"});
    mailThread(kText, mailTo(peer.port()));
  }
  EXPECT_EQ(journalTexts(), (Lines{failure(1, "Ошибка получения адреса почтового сервера: 11001."),
                                   failure(3, "Ошибка подключения к серверу: 111."),
                                   failure(3, "Ошибка создания сокета: 10024."),
                                   failure(4, "Ошибка настройки сокета: 10038.")}));
  EXPECT_EQ(fakeSockets.opened, fakeSockets.closed);
}

TEST_F(MailExchange, SilentServerFailsAtTheGreetingWithAnEmptyText) {
  SmtpPeer peer({""});
  smtpWaitMs = 200;
  mailThread(kText, mailTo(peer.port()));
  EXPECT_EQ(journalTexts(), Lines{failure(5, "")});
}

TEST_F(MailExchange, DotLinesOfTheBodyAreStuffed) {
  const std::string text = "05.03.2013 14:07:09 a\r\n.\r\n.hidden\r\n05.03.2013 14:07:10 b\r\n";
  SmtpPeer peer({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n",
                 "221 bye\r\n"});
  mailThread(text, mailTo(peer.port()));
  const Lines got = received(peer);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[4],
            messageFor("05.03.2013 14:07:09 a\r\n..\r\n..hidden\r\n05.03.2013 14:07:10 b\r\n"));
  EXPECT_EQ(got[5], "QUIT\r\n");
  EXPECT_EQ(journalTexts(), Lines{kSent});
}

TEST_F(MailExchange, LongRepliesStayBoundedAndInStep) {
  // An EHLO reply far past the reply buffer: read to its end, so MAIL FROM gets its own reply.
  std::string ehlo;
  for (int i = 0; i < 100; ++i) ehlo += "250-EXTENSION" + std::string(60, 'x') + "\r\n";
  ehlo += "250 8BITMIME\r\n";
  SmtpPeer peer(
      {"220 hi\r\n", ehlo, "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n", "221 bye\r\n"});
  mailThread(kText, mailTo(peer.port()));
  EXPECT_EQ(peer.received().size(), 6u);
  EXPECT_EQ(journalTexts(), Lines{kSent});
}

TEST_F(MailExchange, AHugeRefusalIsCutToTheErrorText) {
  const std::string tail(3000, 'z');
  SmtpPeer peer({"554 " + tail + "\r\n"});
  mailThread(kText, mailTo(peer.port()));
  const Lines got = journalTexts();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], failure(5, "554 " + tail.substr(0, 251)));
  EXPECT_LE(got[0].size(), 509u);
}

TEST_F(MailExchange, AMessageLargerThanTheSocketBufferArrivesWhole) {
  std::string text;
  const std::string line = "05.03.2013 14:07:09 Подмена адреса! " + std::string(60, 'q') + "\r\n";
  while (text.size() < (8u << 20)) text += line;
  SmtpPeer peer({"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n",
                 "221 bye\r\n"});
  smtpWaitMs = 10000;
  mailThread(text, mailTo(peer.port()));
  const Lines got = received(peer);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_TRUE(got[4] == messageFor(text));
  EXPECT_EQ(journalTexts(), Lines{kSent});
}

TEST(SmtpExchange, TimeOutKeepsThePreviousReply) {
  SmtpPeer peer({""});
  resetFakeSockets();
  const platform::SocketHandle s = platform::openTcpSocket();
  std::uint32_t address = 0;
  ASSERT_TRUE(platform::resolveIpv4("127.0.0.1", address));
  ASSERT_TRUE(platform::connectIpv4(s, address, peer.port()));
  ASSERT_TRUE(platform::setSocketNonBlocking(s, true));
  char reply[kSmtpReplyCapacity] = "220 earlier";
  smtpWaitMs = 100;
  EXPECT_EQ(smtpExchange(s, "NOOP\r\n", 6, reply, sizeof reply), 0);
  EXPECT_STREQ(reply, "220 earlier");
  platform::closeSocket(s);
  EXPECT_EQ(peer.received(), Lines{"NOOP\r\n"});
}
