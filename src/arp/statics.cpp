#include "arp/statics.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <new>
#include <set>
#include <string>

#include "arp/arp_table.h"
#include "base/address.h"
#include "base/address_input.h"
#include "base/data_file.h"
#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "platform/system_platform.h"
#include "report/journal.h"

namespace {

// Of a longer line only this much is looked at; the two fields are short anyway.
constexpr std::size_t kStaticLineMax = 255;

// Whether this run read the file: a file that is there but was not read whole is never
// replaced or removed, or the entries that were not read would be lost.
enum class FileState { NotRead, Read, Kept };
FileState staticsFile = FileState::NotRead;

void keepUnreadStaticsFile() {
  staticsFile = FileState::Kept;
  reportEvent("Ошибка чтения файла statics.dat. Файл не будет перезаписан.", ProgramError);
}

// SaveStat may have been switched on after the start, so the file was never looked at.
bool staticsFileReplaceable() {
  if (staticsFile == FileState::NotRead) {
    std::FILE* f = nullptr;
    if (openDataFile(kStaticsFile, f) == DataFileOpen::Unreadable) keepUnreadStaticsFile();
    if (f) std::fclose(f);
  }
  return staticsFile != FileState::Kept;
}

// An entry of the file that could not be applied at the start, or a table read of this run
// that failed: a save that then finds no static row at all may be looking at a table that
// lost them, not at one the user emptied; the file's entries are kept for the next start.
bool staticsApplyFailed = false;
std::uint64_t readFailuresAtLoad = 0;

bool fileHoldsEntries() {
  LineReader reader;
  if (openDataFile(kStaticsFile, reader.file) != DataFileOpen::Opened) return false;
  char line[kStaticLineMax + 2];
  std::size_t length;
  bool any = false;
  while (!any && readLine(reader, line, kStaticLineMax, length) == LineResult::Line) {
    std::string_view tokens[2];
    // Lines never applied (a zero or group MAC, a group address) are no entry to keep.
    any = splitTokens(line, length, "\t \r", tokens, 2) == 2 &&
          staticPairFault(tokens[0], tokens[1]).empty();
  }
  std::fclose(reader.file);
  return any;
}

bool keepDoubtfulEmptySave() {
  if ((!staticsApplyFailed && arpReadFailures == readFailuresAtLoad) || !fileHoldsEntries())
    return false;
  reportEvent(
      "Статических записей в ARP-кэше нет, но были ошибки при обращении к ARP таблице. "
      "Файл statics.dat не изменён.",
      ProgramError);
  return true;
}

// The system's own rows for multicast and broadcast addresses, and rows with a zero or group
// MAC, are no binding anyone set: applied at the next start they would be garbage.
bool savedStaticRow(const ArpRow& row) {
  std::uint8_t mac[6];
  std::memcpy(mac, row.physAddr, 6);
  return row.type == kArpTypeStatic && isUnicastMac(mac) && isUnicastIpv4(networkToHost(row.addr));
}

}  // namespace

void forgetStaticsFile() {
  staticsFile = FileState::NotRead;
  staticsApplyFailed = false;
  readFailuresAtLoad = arpReadFailures;
}

void saveStatics() {
  if (!arpSnapshot.exists()) return;
  if (!staticsFileReplaceable()) return;
  const ArpRead read = readArpTable(true);
  switch (read.result) {
    case ArpReadResult::OutOfMemory:
      uiMessageBox("Ошибка выделения памяти.", MessageIcon::Error);
      return;
    case ArpReadResult::NoData:
      if (!keepDoubtfulEmptySave()) platform::removeFile(kStaticsFile);
      return;
    case ArpReadResult::Failure:
      return;
    case ArpReadResult::Success:
      break;
  }
  const std::uint32_t rows = arpRowCount(arpSnapshot);
  bool anyStatic = false;
  for (std::uint32_t i = 0; i < rows && !anyStatic; ++i)
    anyStatic = savedStaticRow(arpRowAt(arpSnapshot, i));
  if (!anyStatic && keepDoubtfulEmptySave()) return;
  FileRewrite w;
  if (!beginRewrite(w, kStaticsFile)) return;
  std::set<std::array<std::uint8_t, 10>> written;  // address and MAC of every line written
  for (std::uint32_t i = 0; i < rows; ++i) {
    const ArpRow row = arpRowAt(arpSnapshot, i);
    if (!savedStaticRow(row)) continue;
    char ip[20];
    formatIpv4(row.addr, ip);
    std::uint8_t mac[6];
    std::memcpy(mac, row.physAddr, 6);
    std::array<std::uint8_t, 10> key;
    std::memcpy(key.data(), &row.addr, 4);
    std::memcpy(key.data() + 4, mac, 6);
    try {
      if (!written.insert(key).second) continue;  // the same row on another interface
    } catch (const std::bad_alloc&) {
      w.failed = true;  // the old file stays
      break;
    }
    const std::uint8_t* m = row.physAddr;
    char line[64];
    const int n = std::snprintf(line, sizeof line, "%s\t%02X-%02X-%02X-%02X-%02X-%02X\r\n", ip,
                                m[0], m[1], m[2], m[3], m[4], m[5]);
    writeText(w, std::string_view(line, static_cast<std::size_t>(n)));
  }
  commitRewrite(w);
}

void loadStatics() {
  staticsFile = FileState::Read;
  readFailuresAtLoad = arpReadFailures;
  LineReader reader;
  const DataFileOpen opened = openDataFile(kStaticsFile, reader.file);
  if (opened == DataFileOpen::Unreadable) keepUnreadStaticsFile();
  if (opened != DataFileOpen::Opened) return;
  char line[kStaticLineMax + 2];
  std::size_t length;
  while (readLine(reader, line, kStaticLineMax, length) == LineResult::Line) {
    std::string_view tokens[2];
    if (splitTokens(line, length, "\t \r", tokens, 2) < 2) continue;
    char ip[kStaticLineMax + 1], mac[kStaticLineMax + 1];
    copyField(ip, tokens[0]);
    copyField(mac, tokens[1]);
    const std::string failed = addStaticEntry(ip, mac);
    if (failed.empty()) continue;
    // A refused line is told, not a table that failed us.
    if (staticPairFault(fieldView(ip), fieldView(mac)).empty()) staticsApplyFailed = true;
    reportEvent(failed.substr(0, kJournalTextMax).c_str(), ProgramError);
  }
  std::fclose(reader.file);
  if (reader.failed) keepUnreadStaticsFile();
}
