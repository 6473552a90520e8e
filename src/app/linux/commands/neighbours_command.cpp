#include "app/linux/commands/neighbours_command.h"

#include <net/if.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "app/linux/console/console_locale.h"
#include "app/linux/console/console_text.h"
#include "app/linux/runtime/console_session.h"
#include "app/linux/system/environment_check.h"
#include "base/address.h"
#include "base/address6.h"
#include "base/external_text.h"
#include "ipv6/check6.h"
#include "ipv6/samples6.h"
#include "settings/settings.h"

namespace {

constexpr std::size_t kColumns = 6;
using Cells = std::array<std::string, kColumns>;
const Cells kTitles = {"Адрес", "MAC-адрес", "Тип", "Интерфейс", "Маршрутизатор", "Имя"};

std::string interfaceName(std::uint32_t ifIndex) {
  char name[IF_NAMESIZE] = {};
  if (::if_indextoname(ifIndex, name)) return cleanExternalText(name);
  return std::to_string(ifIndex);
}

// The rows the check compares: a station's binding, not a group address or an unresolved one.
bool cellsOf(const Neighbour6Row& row, Cells& cells) {
  static constexpr std::uint8_t kNoMac[6] = {};
  Ipv6Address address;
  std::memcpy(address.bytes, row.addr, 16);
  if (row.macLength != 6 || std::memcmp(row.mac, kNoMac, 6) == 0 || !isUnicast6(address))
    return false;
  char mac[20];
  formatMac(row.mac, mac);
  const std::string ip = formatIpv6(address);
  cells = {ip,
           mac,
           row.type == 4 ? kTypeStatic : kTypeDynamic,
           interfaceName(row.ifIndex),
           row.router ? "да" : "",
           std::string(sampleName6(ip, mac))};
  return true;
}

// The samples that name the rows, read without a journal line: a listing writes nothing.
void loadNamingSamples() {
  loadSettings();
  const bool watch = settings.WatchIpv6;
  settings.WatchIpv6 = false;
  loadSamples6();
  settings.WatchIpv6 = watch;
}

}  // namespace

std::string formatNeighbourTable(const std::vector<Neighbour6Row>& rows) {
  std::vector<Cells> lines{kTitles};
  Cells cells;
  for (const Neighbour6Row& row : rows)
    if (cellsOf(row, cells)) lines.push_back(cells);
  std::array<std::size_t, kColumns> width{};
  for (const Cells& line : lines)
    for (std::size_t c = 0; c < kColumns; ++c) width[c] = std::max(width[c], line[c].size());
  std::string out;
  for (const Cells& line : lines) {
    std::string text;
    for (std::size_t c = 0; c < kColumns; ++c) {
      if (c > 0) text.append(2, ' ');
      text += line[c];
      text.append(width[c] - line[c].size(), ' ');
    }
    text.erase(text.find_last_not_of(' ') + 1);
    out += text + '\n';
  }
  return out;
}

int runNeighbours(const CommandLine& cl) {
  const DirectoryCheck dir = checkDataDirectory(cl.dir);
  chooseConsoleEncoding(cl.forceUtf8, cl.forceCp1251);
  if (!dir.usable) {
    warnConsole(dir.problem);
    return kExitUsage;
  }
  installConsoleHooks();
  if (!initPathsInDirectory(cl.dir)) {
    warnConsole("cannot enter the data directory " + cl.dir);
    return kExitFailure;
  }
  loadNamingSamples();
  std::vector<Neighbour6Row> rows;
  if (const std::uint32_t error = platform::getNeighbours6(rows)) {
    warnConsole(std::string("cannot read the IPv6 neighbour table: ") +
                std::strerror(static_cast<int>(error)));
    return kExitFailure;
  }
  return writeConsole(consoleOut, formatNeighbourTable(rows)) ? kExitOk : kExitFailure;
}
