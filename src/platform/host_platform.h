#pragma once
// How the program names itself to a syslog collector.
// Linux: gethostname, getpid. Windows: gethostname of Winsock (started), GetCurrentProcessId.
#include <cstdint>
#include <string>

namespace platform {

// The machine's name as the system reports it; empty when it cannot say.
std::string hostName();
std::uint32_t processId();

}  // namespace platform
