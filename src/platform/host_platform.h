#pragma once
// How the program names itself to a syslog collector, and a background thread's priority.
// Linux: gethostname, getpid, the calling thread's nice value 10. Windows: gethostname of
// Winsock (started), GetCurrentProcessId, THREAD_PRIORITY_BELOW_NORMAL.
#include <cstdint>
#include <string>

namespace platform {

// The machine's name as the system reports it; empty when it cannot say.
std::string hostName();
std::uint32_t processId();
// The calling thread yields the processor to the program's other threads when both want it.
void lowerThreadPriority();

}  // namespace platform
