#include "app/linux/runtime/stop_signals.h"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "app/linux/runtime/main_queue.h"
#include "base/detached_thread.h"
#include "report/journal.h"

namespace {

bool terminalAtStart[3] = {};

sigset_t stopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  // Under nohup it stays ignored: an ignored signal is discarded before sigwait could see it.
  sigaddset(&set, SIGHUP);
  return set;
}

// A terminal that hung up answers EIO where it answered as a terminal before.
bool terminalHungUp() {
  for (int fd = 0; fd < 3; ++fd)
    if (terminalAtStart[fd] && ::isatty(fd) == 0 && errno == EIO) return true;
  return false;
}

void waitForSignals() {
  const sigset_t set = stopSet();
  for (;;) {
    int signo = 0;
    if (sigwait(&set, &signo) != 0) continue;
    // SIGHUP is the log rotation's request; only a closed terminal (the console's log-off)
    // still ends the program with it.
    const bool reopen = signo == SIGHUP && !terminalHungUp();
    postMainEvent(mainQueue, {reopen ? MainEventKind::LogReopen : MainEventKind::Stop,
                              static_cast<std::uint32_t>(signo)});
  }
}

}  // namespace

void blockStopSignals() {
  const sigset_t set = stopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  for (int fd = 0; fd < 3; ++fd) terminalAtStart[fd] = ::isatty(fd) == 1;
}

bool startStopSignalThread() { return startDetached(waitForSignals); }

void reopenLogOnSignal() {
  if (reopenLog()) reportEvent("Лог-файл открыт заново (SIGHUP).", Info);
}
