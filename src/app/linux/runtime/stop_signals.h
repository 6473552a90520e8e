#pragma once
// SIGINT, SIGTERM and SIGHUP end the monitor through its shut-down. They are blocked in every
// thread and taken by one thread with sigwait, which posts a stop request to the main thread; no
// work happens in a signal handler.

// Before any thread starts: blocks those three (threads inherit the mask) and
// ignores SIGPIPE, so a closed stdout or mail socket fails a write instead of killing us.
void blockStopSignals();
// The detached thread that waits for them. False when it could not be started.
bool startStopSignalThread();
