#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/host_platform.h"

namespace platform {

std::string hostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::uint32_t processId() { return static_cast<std::uint32_t>(::getpid()); }

// Linux keeps a nice value per thread: the thread's id names it alone.
void lowerThreadPriority() {
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 10);
}

}  // namespace platform
