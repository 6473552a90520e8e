// quorel.ini: the settings and the syslog keys read through the profile calls, and the merge
// that writes keys back into the same text.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ini_text.h"
#include "report/syslog_settings.h"
#include "scratch_folder.h"
#include "settings/settings.h"

namespace {
bool setUp() {
  iniPath = scratchFolder() + "/" + kIniName;
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = setUp();
  (void)ready;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::FILE* f = std::fopen(iniPath.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  loadSettings();
  SyslogSettings syslog;
  std::string problem, merged;
  readSyslogSettings(syslog, problem);
  mergeIniKeys(bytes, kIniSection, {{"Log", "1"}, {"MailTo", "a@b"}}, merged);
  return 0;
}
