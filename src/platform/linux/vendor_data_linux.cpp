#include "platform/vendor_platform.h"

namespace platform {

std::string vendorDataDirectory() { return "/usr/share/ieee-data"; }

}  // namespace platform
