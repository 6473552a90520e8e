#include "app/linux/runtime/stop_signals.h"

#include <pthread.h>

#include <csignal>

#include "app/linux/runtime/main_queue.h"
#include "base/detached_thread.h"

namespace {

sigset_t stopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  // A closed terminal is the console's log-off. Under nohup it stays ignored: an ignored
  // signal is discarded before sigwait could see it.
  sigaddset(&set, SIGHUP);
  return set;
}

void waitForSignals() {
  const sigset_t set = stopSet();
  for (;;) {
    int signo = 0;
    if (sigwait(&set, &signo) != 0) continue;
    postMainEvent(mainQueue, {MainEventKind::Stop, static_cast<std::uint32_t>(signo)});
  }
}

}  // namespace

void blockStopSignals() {
  const sigset_t set = stopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

bool startStopSignalThread() { return startDetached(waitForSignals); }
