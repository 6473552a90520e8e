// winsock2.h brings windows.h in the order Winsock needs.
#include <winsock2.h>

#include "platform/host_platform.h"

namespace platform {

std::string hostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::uint32_t processId() { return static_cast<std::uint32_t>(GetCurrentProcessId()); }

void lowerThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL); }

}  // namespace platform
