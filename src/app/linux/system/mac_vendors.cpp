#include "app/linux/system/mac_vendors.h"

#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/vendor_table.h"
#include "platform/vendor_platform.h"
#include "report/journal.h"
#include "report/syslog_settings.h"

void loadMacVendors() {
  std::vector<std::string> cut;
  loadVendorTable(MacVendors, platform::vendorDataDirectory(), &cut);
  for (const std::string& name : cut) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "Файл производителей %s прочитан не полностью: более %zu строк.", name.c_str(),
                  kVendorFileLinesMax);
    reportEvent(line, ProgramError);
  }
  // The rows before their names were merged took twice the table's size.
  ::malloc_trim(0);
}

bool monitorShowsVendors(bool json) {
  SyslogSettings syslog;
  std::string problem;
  return json || (readSyslogSettings(syslog, problem) && syslog.SyslogServer[0] != 0);
}
