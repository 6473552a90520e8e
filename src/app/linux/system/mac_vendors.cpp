#include "app/linux/system/mac_vendors.h"

#include <malloc.h>

#include <string>

#include "base/vendor_table.h"
#include "platform/vendor_platform.h"
#include "report/syslog_settings.h"

void loadMacVendors() {
  loadVendorTable(MacVendors, platform::vendorDataDirectory());
  // The rows before their names were merged took twice the table's size.
  ::malloc_trim(0);
}

bool monitorShowsVendors(bool json) {
  SyslogSettings syslog;
  std::string problem;
  return json || (readSyslogSettings(syslog, problem) && syslog.SyslogServer[0] != 0);
}
