// A fixed name and number, so that messages in tests are known byte for byte.
#include "platform/host_platform.h"

namespace platform {

std::string hostName() { return "lab-host"; }
std::uint32_t processId() { return 4242; }
void lowerThreadPriority() {}  // tests keep their threads as they are

}  // namespace platform
