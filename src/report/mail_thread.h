#pragma once
// The thread that sends one queued text as a mail and journals the outcome.
#include <cstdint>
#include <mutex>
#include <string>

// The mail fields of settings as one send sees them.
struct MailParameters {
  char MailServer[32];
  std::int32_t MailPort;
  char MailFrom[32];
  char MailTo[32];
  char MailLogin[32];
  char MailPassw[32];
};

// Held by a mail thread for its whole exchange: sends run one at a time. Never taken by the
// main thread.
extern std::mutex sendLock;
// Held while the mail fields of settings are copied for a send; whoever changes those fields
// off the main thread takes it too.
extern std::mutex mailSettingsLock;
// The pauses of the exchange (500 ms); tests lower them.
extern int smtpPauseMs;

MailParameters snapshotMailParameters();

// Sends text as one message with the given parameters and reports the outcome through
// reportEvent. Runs on its own thread; answers 0.
int mailThread(std::string text, MailParameters mail);

// The launcher that the front ends assign to startMailThread: copies the mail settings on the
// calling (main) thread and starts a detached mailThread, which calls mailSendFinished when it
// is done. False when no thread could start.
bool launchMailThread(std::string text);
