#pragma once
// The pending mail text and the countdown after which it is sent.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

extern std::mutex mailLock;  // guards the queue only, held for an append or a take
// Ticks until the queued text is sent; <= 0: none pending. Set by whichever thread reports
// a mailed line (the mail thread too), counted down by the check cycle.
extern std::atomic<std::int32_t> mailCountdown;
extern bool socketsReady;  // the socket layer started; no mail without it

// Appends one journal line (with its date stamp and CR LF). Null is ignored. Any thread.
void enqueueMail(const char* line);
// Takes the whole queued text out; the queue is empty afterwards.
std::string takeMailQueue();
bool mailQueueEmpty();

// Called by checkTick when mailCountdown has just reached 0: with sockets ready and text
// queued, takes the text and starts one mail thread for it (nobody waits for the thread).
void startMailSend();

// Starts the thread that sends one message; false when it could not be started.
// The mail notifier sets it; tests may replace it.
extern bool (*startMailThread)(std::string text);
