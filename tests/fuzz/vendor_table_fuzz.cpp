// A vendor registry file (oui.csv and the like), then the lookups that the lists make.
#include <cstdint>
#include <string_view>

#include "base/vendor_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  VendorTable table;
  addVendorRows(table, text);
  finishVendorTable(table);
  for (const char* mac : {"00-1A-2B-3C-4D-5E", "001A2B3C4D5E", "70:B3:D5:00:00:00", "02-00-00"})
    vendorOf(table, mac);
  // The input's first line as a MAC text, as a list row could hold one.
  vendorOf(table, text.substr(0, text.find('\n')));
  return 0;
}
