// Sends one Vetrel mail through the real Linux platform to the lab's SMTP server.
// Usage: mail_lab_send PORT FROM TO. Prints the journal; exits 0 when the send is reported.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "platform/system_platform.h"
#include "report/journal.h"
#include "report/mail_message.h"
#include "report/mail_queue.h"
#include "report/mail_thread.h"
#include "settings/settings.h"

namespace {

std::mutex printed;
int outcome = -1;  // -1 pending, 0 sent, 1 failed

void printLine(const char* windowLine, const char*) {
  std::lock_guard hold(printed);
  std::fputs(windowLine, stdout);
  std::fflush(stdout);
  if (std::strstr(windowLine, "Отправлено сообщение на ")) outcome = 0;
  if (std::strstr(windowLine, "Ошибка посылки почтового сообщения: ")) outcome = 1;
}

int currentOutcome() {
  std::lock_guard hold(printed);
  return outcome;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: mail_lab_send PORT FROM TO\n");
    return 2;
  }
  uiHooks.journalLine = printLine;
  socketsReady = platform::startSockets();
  computeTimeZoneText();
  startMailThread = launchMailThread;

  copyField(settings.MailServer, "localhost");  // resolved by name
  settings.MailPort = std::atoi(argv[1]);
  copyField(settings.MailFrom, argv[2]);
  copyField(settings.MailTo, argv[3]);
  copyField(settings.MailLogin, "почта");
  copyField(settings.MailPassw, "Пароль-1 ёЁ");
  settings.MsgToMail = true;
  settings.MailMask = Spoofing | NewAddress | AdditionalIp;
  settings.SendMailInt = 3;

  reportEvent("Запуск программы.", Info);  // not mailed
  reportEvent("Подмена адреса! 192.0.2.7 00-de-ad-be-ef-01 192.0.2.7 00-11-22-33-44-55", Spoofing);
  reportEvent("Новый IP-адрес! 192.0.2.9 00-de-ad-be-ef-09", NewAddress);
  reportEvent("Дополн. IP-адрес! 192.0.2.10 00-de-ad-be-ef-09\r\n.\r\nконец", AdditionalIp);

  // Ticks a tenth of a second apart; the send itself is bounded by its own time-outs.
  for (int i = 0; i < 1200 && currentOutcome() < 0; ++i) {
    if (mailCountdown > 0 && --mailCountdown == 0) startMailSend();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::lock_guard hold(sendLock);  // the thread has reported and let go
  platform::stopSockets();
  return currentOutcome() == 0 ? 0 : 1;
}
