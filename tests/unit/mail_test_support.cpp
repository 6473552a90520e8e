#include "mail_test_support.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "fake/fake_platform.h"
#include "fake/fake_sockets.h"
#include "report/mail_message.h"
#include "report/mail_queue.h"
#include "report/smtp.h"
#include "settings/settings.h"

namespace {

std::mutex recordLock;
std::vector<std::string> recorded;

void recordLine(const char* windowLine, const char*) {
  std::string t = windowLine;
  t.erase(0, 9);  // "HH:MM:SS "
  if (t.size() >= 2) t.resize(t.size() - 2);
  std::lock_guard hold(recordLock);
  recorded.push_back(t);
}

}  // namespace

std::vector<std::string> journalTexts() {
  std::lock_guard hold(recordLock);
  return recorded;
}

bool waitForJournal(std::size_t n, int limitMs) {
  for (int waited = 0; waited < limitMs; waited += 5) {
    if (journalTexts().size() >= n) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

MailParameters mailTo(unsigned port, const char* to, const char* login, const char* password,
                      const char* server) {
  MailParameters p{};
  copyField(p.MailServer, server);
  p.MailPort = static_cast<std::int32_t>(port);
  copyField(p.MailFrom, "from@x");
  copyField(p.MailTo, to);
  copyField(p.MailLogin, login);
  copyField(p.MailPassw, password);
  return p;
}

void MailTest::SetUp() {
  resetFake();
  resetFakeSockets();
  settings = Settings{};
  uiHooks = UiHooks{};
  uiHooks.journalLine = recordLine;
  {
    std::lock_guard hold(recordLock);
    recorded.clear();
  }
  fake.zone = {platform::TimeZoneInfo::Unknown, -180, 0, 0};
  computeTimeZoneText();
  smtpWaitMs = 1500;
  smtpPauseMs = 1;
  resetMailQueue();
  mailCountdown = 0;
  socketsReady = false;
  startMailThread = nullptr;
}

void MailTest::TearDown() {
  // A detached send must not outlive its test's peer and settings.
  { std::lock_guard hold(sendLock); }
  for (int waited = 0; waited < 2000 && mailSendUnderWay(); waited += 5)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  uiHooks = UiHooks{};
}
