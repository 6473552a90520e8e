#include "core/statics.h"

#include <cstdio>
#include <cstring>

#include "core/address.h"
#include "core/arp_table.h"
#include "core/data_file.h"
#include "core/text_field.h"
#include "core/ui_hooks.h"
#include "platform/system_platform.h"
#include "report/journal.h"

namespace {

constexpr std::size_t kStaticLineMax = 59;
constexpr const char* kStaticsTemp = "statics.dat.tmp";

}  // namespace

void saveStatics() {
  if (!arpSnapshot.exists()) return;
  const ArpRead read = readArpTable(true);
  switch (read.result) {
    case ArpReadResult::OutOfMemory:
      uiMessageBox("Ошибка выделения памяти.", MessageIcon::Error);
      return;
    case ArpReadResult::NoData:
      platform::removeFile(kStaticsFile);
      return;
    case ArpReadResult::Failure:
      return;
    case ArpReadResult::Success:
      break;
  }
  FileRewrite w;
  if (!beginRewrite(w, kStaticsFile, kStaticsTemp)) return;
  const std::uint32_t rows = arpRowCount(arpSnapshot);
  for (std::uint32_t i = 0; i < rows; ++i) {
    const ArpRow row = arpRowAt(arpSnapshot, i);
    if (row.type != kArpTypeStatic) continue;
    char ip[20];
    formatIpv4(row.addr, ip);
    const std::uint8_t* m = row.physAddr;
    char line[64];
    const int n = std::snprintf(line, sizeof line, "%s\t%02X-%02X-%02X-%02X-%02X-%02X\r\n", ip,
                                m[0], m[1], m[2], m[3], m[4], m[5]);
    writeText(w, std::string_view(line, static_cast<std::size_t>(n)));
  }
  commitRewrite(w);
}

void loadStatics() {
  LineReader reader;
  reader.file = std::fopen(kStaticsFile, "rb");
  if (!reader.file) return;
  char line[kStaticLineMax + 2];
  std::size_t length;
  while (readLine(reader, line, kStaticLineMax, length) == LineResult::Line) {
    std::string_view tokens[2];
    if (splitTokens(line, length, "\t ", tokens, 2) < 2) continue;
    char ip[kStaticLineMax + 1], mac[kStaticLineMax + 1];
    copyField(ip, tokens[0]);
    copyField(mac, tokens[1]);
    if (setStaticArpEntry(ip, mac)) continue;
    char text[128];
    std::snprintf(text, sizeof text, "Ошибка добавления записи в ARP-кэш для %s", ip);
    reportEvent(text, ProgramError);
  }
  std::fclose(reader.file);
}
