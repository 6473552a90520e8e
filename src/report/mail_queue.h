#pragma once
// The pending mail text and the countdown after which it is sent. At most one send is under
// way and one message waits behind it.
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
// Out of memory drops the line; nothing is thrown.
void enqueueMail(const char* line);
// Takes the whole queued text out; the queue is empty afterwards.
std::string takeMailQueue();
bool mailQueueEmpty();

// Called by checkTick when mailCountdown has just reached 0: with sockets ready, takes the
// queued text. With no send under way it starts one mail thread for it (nobody waits for the
// thread); while one is under way the text joins the one waiting message instead.
void startMailSend();
// The send's last act, on its own thread: no send is under way any more. A waiting message
// goes at the next tick, or with the next countdown when one is running.
void mailSendFinished();
bool mailSendUnderWay();
// Drops the queued and the waiting text and forgets a send under way (a fresh start).
void resetMailQueue();

// Starts the thread that sends one message; false when it could not be started.
// The mail notifier sets it; tests may replace it.
extern bool (*startMailThread)(std::string text);
