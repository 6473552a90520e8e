#include "report/mail_thread.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>

#include "base/detached_thread.h"
#include "base/external_text.h"
#include "base/text_field.h"
#include "platform/socket_platform.h"
#include "report/journal.h"
#include "report/mail_message.h"
#include "report/mail_queue.h"
#include "report/smtp.h"
#include "settings/settings.h"

std::mutex sendLock;
std::mutex mailSettingsLock;
int smtpPauseMs = 500;

namespace {

inline constexpr std::size_t kMailErrorCapacity = 256;

// The one thing a failing step throws; only mailThread catches it.
struct MailStepFailure {
  char text[kMailErrorCapacity];
};

[[noreturn]] void failWith(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

void failWith(const char* format, ...) {
  MailStepFailure f{};
  va_list args;
  va_start(args, format);
  std::vsnprintf(f.text, sizeof f.text, format, args);
  va_end(args);
  throw f;
}

// A long server reply is cut to the error text's size. The server's text goes into a
// journal line: only its first line, its control characters made harmless.
[[noreturn]] void failWithReply(const char* reply) {
  MailStepFailure f{};
  copyField(f.text, cleanExternalText(reply ? std::string_view(reply) : std::string_view()));
  throw f;
}

void smtpPause() { platform::sleepMs(smtpPauseMs); }

// One command whose reply must carry the expected code.
void command(platform::SocketHandle s, const char* request, char* reply, int expected) {
  if (smtpExchange(s, request, std::strlen(request), reply, kSmtpReplyCapacity) != expected)
    failWithReply(reply);
}

void sendMessage(platform::SocketHandle s, const std::string& text, const MailParameters& mail,
                 int& step, char* reply) {
  char request[kSmtpRequestCapacity];
  int code = 0;

  step = 10;
  code = smtpExchange(s, "EHLO a\r\n", 8, reply, kSmtpReplyCapacity);
  if (code == 500) {
    step = 11;
    command(s, "HELO a\r\n", reply, 250);
  } else if (code == 250 && std::strstr(reply, "AUTH") && mail.MailLogin[0]) {
    step = 15;
    command(s, "AUTH LOGIN\r\n", reply, 334);
    char encoded[128];
    step = 16;
    base64Encode(encoded, mail.MailLogin, sizeof encoded);
    std::snprintf(request, sizeof request, "%s\r\n", encoded);
    command(s, request, reply, 334);
    step = 17;
    base64Encode(encoded, mail.MailPassw, sizeof encoded);
    std::snprintf(request, sizeof request, "%s\r\n", encoded);
    command(s, request, reply, 235);
  }

  step = 20;
  std::snprintf(request, sizeof request, "MAIL FROM: <%s>\r\n", mail.MailFrom);
  command(s, request, reply, 250);
  step = 21;
  std::snprintf(request, sizeof request, "RCPT TO: <%s>\r\n", mail.MailTo);
  command(s, request, reply, 250);
  step = 22;
  command(s, "DATA\r\n", reply, 354);

  step = 23;
  char date[kMailDateCapacity];
  formatMailDate(date, sizeof date, readLocalClock ? readLocalClock() : platform::localNow());
  step = 25;
  const std::string message = buildMailMessage(date, timeZoneText, mail.MailFrom, mail.MailTo,
                                               nextMailMessageId(mail.MailFrom), text);
  step = 26;
  if (smtpExchange(s, message.data(), message.size(), reply, kSmtpReplyCapacity) != 250)
    failWithReply(reply);
  step = 30;
  command(s, "QUIT\r\n", reply, 221);
}

}  // namespace

MailParameters snapshotMailParameters() {
  MailParameters p{};
  std::lock_guard hold(mailSettingsLock);
  copyField(p.MailServer, fieldView(settings.MailServer));
  p.MailPort = settings.MailPort;
  copyField(p.MailFrom, fieldView(settings.MailFrom));
  copyField(p.MailTo, fieldView(settings.MailTo));
  copyField(p.MailLogin, fieldView(settings.MailLogin));
  copyField(p.MailPassw, fieldView(settings.MailPassw));
  return p;
}

int mailThread(std::string text, MailParameters mail) {
  std::unique_lock hold(sendLock);
  int step = 0;
  platform::SocketHandle s = platform::kNoSocket;
  char reply[kSmtpReplyCapacity] = {};
  try {
    try {
      step = 1;
      std::uint32_t address = 0;
      if (!platform::resolveIpv4(mail.MailServer, address))
        failWith("Ошибка получения адреса почтового сервера: %i.", platform::socketLastError());
      step = 3;
      s = platform::openTcpSocket();
      if (s == platform::kNoSocket)
        failWith("Ошибка создания сокета: %i.", platform::socketLastError());
      // 0 is "not set" (the dialog's empty port field): the usual SMTP port, as its hint says.
      const auto port = static_cast<std::uint16_t>(mail.MailPort == 0 ? 25 : mail.MailPort & 65535);
      if (!platform::connectIpv4(s, address, port))
        failWith("Ошибка подключения к серверу: %i.", platform::socketLastError());
      step = 4;
      smtpPause();
      if (!platform::setSocketNonBlocking(s, true))
        failWith("Ошибка настройки сокета: %i.", platform::socketLastError());
      step = 5;
      smtpPause();
      if (smtpExchange(s, nullptr, 0, reply, sizeof reply) != 220) failWithReply(reply);

      sendMessage(s, text, mail, step, reply);

      step = 31;
      smtpPause();
      platform::setSocketNonBlocking(s, false);
      platform::closeSocket(s);
      s = platform::kNoSocket;
      step = 32;
      char line[kJournalTextMax + 1];
      std::snprintf(line, sizeof line, "Отправлено сообщение на %s", mail.MailTo);
      reportEvent(line, Info);
    } catch (const std::exception&) {
      // Out of memory for a huge text: the send fails at its step like any other.
      failWith("%s", "");
    }
  } catch (const MailStepFailure& f) {
    smtpPause();
    if (s != platform::kNoSocket) platform::closeSocket(s);
    // The error text is at most 255 characters, so the line stays within the journal's limit.
    char line[kJournalTextMax + 1];
    std::snprintf(line, sizeof line, "Ошибка посылки почтового сообщения: %i: %s", step, f.text);
    reportEvent(line, MailError);
  }
  std::string().swap(text);
  hold.unlock();
  smtpPause();
  return 0;
}

namespace {
void sendAndFinish(std::string text, MailParameters mail) {
  mailThread(std::move(text), mail);
  mailSendFinished();
}
}  // namespace

bool launchMailThread(std::string text) {
  const MailParameters mail = snapshotMailParameters();
  return startDetached(sendAndFinish, std::move(text), mail);
}
