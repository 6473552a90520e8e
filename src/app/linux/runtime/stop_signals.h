#pragma once
// SIGINT and SIGTERM end the monitor through its shut-down; SIGHUP has the log reopened (log
// rotation), or ends it like SIGTERM when the terminal it runs in was closed. They are blocked
// in every thread and taken by one thread with sigwait, which posts a request to the main
// thread; no work happens in a signal handler.

// Before any thread starts: blocks those three (threads inherit the mask) and
// ignores SIGPIPE, so a closed stdout or mail socket fails a write instead of killing us.
void blockStopSignals();
// The detached thread that waits for them. False when it could not be started.
bool startStopSignalThread();
// Main thread, on a LogReopen request: reopens quorel.log and journals that it did.
void reopenLogOnSignal();
