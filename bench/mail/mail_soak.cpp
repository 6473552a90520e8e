// Reliability of the mail notifier against scripted servers on loopback; prints its figures
// and exits non-zero when a send loses lines, hangs the tick or grows without bound.
//   burst:   1,000 mailed lines at once -> one message, every line once and in order
//   silent:  a server that accepts and never answers -> the thread ends after its time-outs,
//            the tick never waits, and the next send goes through
//   garbage: 1 MB without a line end as the greeting -> failure at step 5 with a cut text,
//            bounded memory; 1 MB of continuation lines before EHLO's last line -> in step
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "fake/fake_platform.h"
#include "fake/smtp_peer.h"
#include "report/journal.h"
#include "report/mail_message.h"
#include "report/mail_queue.h"
#include "report/mail_thread.h"
#include "report/smtp.h"
#include "settings/settings.h"

namespace {

using Clock = std::chrono::steady_clock;

std::mutex journalLock;
std::vector<std::string> outcomes;  // the mail thread's own lines

void recordLine(const char* windowLine, const char*) {
  const std::string t = windowLine;
  if (t.find("Отправлено сообщение") == std::string::npos &&
      t.find("Ошибка посылки") == std::string::npos)
    return;
  std::lock_guard hold(journalLock);
  outcomes.push_back(t.substr(9, t.size() - 11));
}

std::size_t outcomeCount() {
  std::lock_guard hold(journalLock);
  return outcomes.size();
}

std::string lastOutcome() {
  std::lock_guard hold(journalLock);
  return outcomes.empty() ? std::string() : outcomes.back();
}

int failures = 0;
void check(bool ok, const char* what) {
  if (!ok) {
    ++failures;
    std::printf("  FAILED: %s\n", what);
  }
}

// The journal's Windows-1251 text as UTF-8 for the terminal (Cyrillic letters only).
std::string shown(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    unsigned code = c;
    if (c >= 0xC0)
      code = 0x410 + (c - 0xC0);
    else if (c == 0xA8)
      code = 0x401;
    else if (c == 0xB8)
      code = 0x451;
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else {
      out.push_back(static_cast<char>(0xC0 | code >> 6));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

double msSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Resident memory now; sampled on every tick, so a reply held in memory would show.
long residentKiB() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}
long largestResidentKiB = 0;

const std::vector<std::string> kAccepting = {"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n",
                                             "354 go\r\n", "250 ok\r\n", "221 bye\r\n"};

void useServer(unsigned port) { settings.MailPort = static_cast<std::int32_t>(port); }

// Ticks every 10 ms until the mail thread has reported `count` outcomes (bounded); answers
// the longest tick in milliseconds.
double tickUntilOutcomes(std::size_t count, int limitMs) {
  double longest = 0;
  const auto start = Clock::now();
  while (outcomeCount() < count && msSince(start) < limitMs) {
    const auto t = Clock::now();
    if (mailCountdown > 0 && --mailCountdown == 0) startMailSend();
    longest = std::max(longest, msSince(t));
    largestResidentKiB = std::max(largestResidentKiB, residentKiB());
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::lock_guard wait(sendLock);  // the thread has let go
  return longest;
}

void burst() {
  std::printf("burst: 1,000 mailed lines in one burst\n");
  SmtpPeer peer(kAccepting);
  useServer(peer.port());
  const std::size_t before = outcomeCount();
  const auto start = Clock::now();
  for (int i = 1; i <= 1000; ++i) {
    char line[128];
    std::snprintf(line, sizeof line, "Подмена адреса! 10.0.%d.%d 00-de-ad-be-ef-%02x #%04d",
                  i / 256, i % 256, i % 256, i);
    reportEvent(line, Spoofing);
  }
  const double queueMs = msSince(start);
  const double longestTick = tickUntilOutcomes(before + 1, 20000);
  const double totalMs = msSince(start);
  const std::vector<std::string> got = peer.received();
  std::string data = got.size() > 4 ? got[4] : std::string();
  std::size_t found = 0, inOrder = 0, at = 0;
  for (int i = 1; i <= 1000; ++i) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "#%04d\r\n", i);
    const std::size_t p = data.find(tag);
    if (p != std::string::npos) ++found;
    if (p != std::string::npos && p >= at) ++inOrder, at = p;
  }
  std::printf(
      "  queued in %.2f ms; sent %.0f ms after the burst; message %zu bytes; lines %zu/1000,"
      " in order %zu/1000; longest tick %.3f ms\n",
      queueMs, totalMs, data.size(), found, inOrder, longestTick);
  check(got.size() == 6, "one message in one exchange");
  check(found == 1000 && inOrder == 1000, "every line once, in order");
  check(lastOutcome() == "Отправлено сообщение на to@y", "the send was reported");
}

void silent(bool greets) {
  std::printf("silent: a server that %s never answers (waits %d ms, pauses %d ms)\n",
              greets ? "greets and then" : "accepts and", smtpWaitMs, smtpPauseMs);
  const std::size_t before = outcomeCount();
  double threadMs = 0, longestTick = 0;
  {
    SmtpPeer peer(greets ? std::vector<std::string>{"220 hi\r\n"} : std::vector<std::string>{""});
    useServer(peer.port());
    enqueueMail("05.03.2013 14:07:09 Подмена адреса! silent\r\n");
    mailCountdown = 1;
    const auto start = Clock::now();
    longestTick = tickUntilOutcomes(before + 1, 20000);
    threadMs = msSince(start);
  }
  std::printf("  outcome after %.0f ms: %s; longest tick %.3f ms\n", threadMs,
              shown(lastOutcome()).c_str(), longestTick);
  check(outcomeCount() == before + 1, "the thread ended and reported");
  check(lastOutcome().find(greets ? ": 20:" : ": 5:") != std::string::npos,
        "failure at the expected step");
  check(longestTick < 50, "the tick never waits for the send");

  SmtpPeer next(kAccepting);
  useServer(next.port());
  enqueueMail("05.03.2013 14:07:10 Подмена адреса! after\r\n");
  mailCountdown = 1;
  tickUntilOutcomes(before + 2, 20000);
  std::printf("  next send: %s\n", shown(lastOutcome()).c_str());
  check(lastOutcome() == "Отправлено сообщение на to@y", "the next send works");
}

void garbage() {
  std::printf("garbage: 1 MB without a line end as the greeting\n");
  const std::string junk(1 << 20, 'x');
  const std::size_t before = outcomeCount();
  long grown = 0;
  {
    SmtpPeer peer({junk});
    const long residentBefore = residentKiB();  // the peer's copies of its script counted out
    largestResidentKiB = residentBefore;
    useServer(peer.port());
    enqueueMail("05.03.2013 14:07:09 Подмена адреса! garbage\r\n");
    mailCountdown = 1;
    tickUntilOutcomes(before + 1, 20000);
    grown = largestResidentKiB - residentBefore;
    std::printf("  server sent %zu bytes, client sent %zu\n", junk.size(), peer.bytesIn());
  }
  const std::string out = lastOutcome();
  std::printf("  outcome (%zu characters): %s...; largest resident growth %ld KiB\n", out.size(),
              shown(out.substr(0, 60)).c_str(), grown);
  check(out.rfind("Ошибка посылки почтового сообщения: 5: xxxx", 0) == 0, "failure at step 5");
  check(out.size() <= 509, "the journal line stays within its limit");
  check(grown < 512, "memory stays bounded");

  std::printf("garbage: 1 MB of continuation lines before EHLO's last line\n");
  std::string ehlo;
  while (ehlo.size() < (1u << 20)) ehlo += "250-" + std::string(70, 'y') + "\r\n";
  ehlo += "250 AUTH LOGIN\r\n";
  SmtpPeer peer(
      {"220 hi\r\n", ehlo, "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n", "221 bye\r\n"});
  useServer(peer.port());
  copyField(settings.MailLogin, "user");
  enqueueMail("05.03.2013 14:07:09 Подмена адреса! long ehlo\r\n");
  mailCountdown = 1;
  const auto start = Clock::now();
  tickUntilOutcomes(before + 2, 20000);
  const std::vector<std::string> got = peer.received();
  std::printf("  %zu-byte EHLO reply read in %.0f ms; commands after it: %zu; %s\n", ehlo.size(),
              msSince(start), got.size(), shown(lastOutcome()).c_str());
  copyField(settings.MailLogin, "");
  // AUTH sits beyond the reply buffer: not seen, so no AUTH, and MAIL FROM gets its own reply.
  check(got.size() > 1 && got[1] == "MAIL FROM: <from@x>\r\n", "the next command follows");
  check(lastOutcome() == "Отправлено сообщение на to@y", "the send stays in step");
}

}  // namespace

int main() {
  uiHooks.journalLine = recordLine;
  settings.MsgToMail = true;
  settings.MailMask = Spoofing;
  settings.SendMailInt = 5;
  copyField(settings.MailServer, "127.0.0.1");
  copyField(settings.MailFrom, "from@x");
  copyField(settings.MailTo, "to@y");
  socketsReady = true;
  startMailThread = launchMailThread;
  computeTimeZoneText();
  smtpWaitMs = 300;
  smtpPauseMs = 20;

  burst();
  silent(false);
  silent(true);
  garbage();
  std::printf(failures ? "mail_soak: %d check(s) failed\n" : "mail_soak: all checks passed\n",
              failures);
  return failures ? 1 : 0;
}
