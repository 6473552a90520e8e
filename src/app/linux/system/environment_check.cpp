#include "app/linux/system/environment_check.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {
constexpr int kCapNetAdmin = 12;
constexpr int kCapNetRaw = 13;

bool capEffHas(const std::string& statusText, int capability) {
  std::istringstream in(statusText);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("CapEff:", 0) != 0) continue;
    const char* hex = line.c_str() + 7;
    while (*hex == ' ' || *hex == '\t') ++hex;
    if (*hex == 0) return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long caps = std::strtoull(hex, &end, 16);
    if (errno != 0 || end == hex) return false;
    return (caps >> capability) & 1u;
  }
  return false;
}

bool processHas(int capability) {
  std::ifstream in("/proc/self/status");
  if (!in) return ::geteuid() == 0;
  std::stringstream text;
  text << in.rdbuf();
  return capEffHas(text.str(), capability);
}
}  // namespace

DirectoryCheck checkDataDirectory(const std::string& dir) {
  DirectoryCheck c;
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) {
    c.problem = "data directory " + dir + ": " + std::strerror(errno);
    return c;
  }
  if (!S_ISDIR(st.st_mode)) {
    c.problem = "data directory " + dir + " is not a directory";
    return c;
  }
  if (::access(dir.c_str(), R_OK | X_OK) != 0) {
    c.problem = "data directory " + dir + " cannot be read: " + std::strerror(errno);
    return c;
  }
  c.usable = true;
  c.writable = ::access(dir.c_str(), W_OK) == 0;
  return c;
}

bool capEffHasNetAdmin(const std::string& statusText) {
  return capEffHas(statusText, kCapNetAdmin);
}

bool processHasNetAdmin() { return processHas(kCapNetAdmin); }

bool processHasNetRaw() { return processHas(kCapNetRaw); }

int packetSocketError() {
  const int fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}
