#pragma once
// Where the IEEE's MAC block registry lies (base/vendor_table.h reads it).
#include <string>

namespace platform {

// Linux: Debian's ieee-data, /usr/share/ieee-data. Only the console program shows vendors,
// so Windows has none.
std::string vendorDataDirectory();

}  // namespace platform
