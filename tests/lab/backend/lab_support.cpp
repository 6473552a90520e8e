#include "lab_support.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::uint32_t ifIndex(const char* name) { return if_nametoindex(name); }

std::uint32_t ipn(const char* text) {
  in_addr a{};
  inet_pton(AF_INET, text, &a);
  return a.s_addr;
}

std::string dotted(std::uint32_t networkOrder) {
  in_addr a{networkOrder};
  char text[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

int sh(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string capture(const std::string& command) {
  std::string out;
  if (std::FILE* p = popen(command.c_str(), "r")) {
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, p)) > 0) out.append(chunk, n);
    pclose(p);
  }
  return out;
}

std::vector<ArpRow> readRows(bool sorted, std::uint32_t& error) {
  std::vector<std::uint8_t> buffer(4);
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    error = platform::getIpNetTable(buffer.data(), &size, sorted);
    if (error == kErrorInsufficientBuffer) {
      buffer.assign(size, 0);
      continue;
    }
    if (error != 0) return {};
    std::uint32_t count;
    std::memcpy(&count, buffer.data(), 4);
    std::vector<ArpRow> rows(count);
    if (4 + count * sizeof(ArpRow) > buffer.size()) {
      error = 0xFFFFFFFF;  // a count beyond the bytes written: the test fails on it
      return {};
    }
    std::memcpy(rows.data(), buffer.data() + 4, count * sizeof(ArpRow));
    return rows;
  }
  return {};
}

const ArpRow* findRow(const std::vector<ArpRow>& rows, const char* ip, std::uint32_t index) {
  for (const ArpRow& r : rows)
    if (r.addr == ipn(ip) && r.index == index) return &r;
  return nullptr;
}

void flushNeighbours() {
  // "nud all" leaves NOARP bindings behind; those go one by one.
  sh("ip -4 neigh flush all nud all >/dev/null 2>&1; ip -4 neigh show nud noarp | "
     "while read a _ d _; do ip neigh del \"$a\" dev \"$d\"; done");
}
