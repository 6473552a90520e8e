#include "platform/linux/temp_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace {

constexpr int kNameTries = 16;

void splitPath(const std::string& path, std::string& dir, std::string& base) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dirLength = slash == std::string::npos ? 0 : slash == 0 ? 1 : slash;
  dir = dirLength == 0 ? std::string(1, '.') : path.substr(0, dirLength);
  base = slash == std::string::npos ? path : path.substr(slash + 1);
}

bool processAlive(long pid) {
  if (pid <= 0 || pid > 0x3fffffff) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Temporary files of base left by processes that are gone; files of live processes (a
// second monitor in the same directory) stay.
void removeStaleTemps(const std::string& dir, const std::string& base) {
  const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return;
  DIR* d = ::fdopendir(dirFd);
  if (!d) {
    ::close(dirFd);
    return;
  }
  while (const dirent* entry = ::readdir(d)) {
    long pid = 0;
    if (!isTempNameOf(entry->d_name, base, pid)) continue;
    if (pid == ::getpid() || (pid != 0 && processAlive(pid))) continue;
    // unlinkat never follows a link: a planted one goes, the file it names stays.
    ::unlinkat(dirFd, entry->d_name, 0);
  }
  ::closedir(d);
}

unsigned long long randomPart() {
  unsigned long long r = 0;
  if (::getrandom(&r, sizeof r, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof r)) return r;
  static unsigned long long counter = 0;
  return static_cast<unsigned long long>(
             std::chrono::steady_clock::now().time_since_epoch().count()) *
             0x9e3779b97f4a7c15ull +
         ++counter;
}

}  // namespace

bool isTempNameOf(const std::string& name, const std::string& base, long& pid) {
  pid = 0;
  const std::string stem = base + ".tmp";
  if (name.compare(0, stem.size(), stem) != 0) return false;
  if (name.size() == stem.size()) return true;
  // ".tmp." digits "." something
  std::size_t at = stem.size();
  if (name[at] != '.') return false;
  ++at;
  const std::size_t digits = at;
  long value = 0;
  while (at < name.size() && name[at] >= '0' && name[at] <= '9' && at - digits < 10)
    value = value * 10 + (name[at++] - '0');
  if (at == digits || at + 1 >= name.size() || name[at] != '.') return false;
  pid = value;
  return true;
}

int createTempFd(const char* finalPath, unsigned mode, std::string& tempPath) {
  tempPath.clear();
  if (!finalPath || !*finalPath) {
    errno = EINVAL;
    return -1;
  }
  std::string dir, base;
  splitPath(finalPath, dir, base);
  removeStaleTemps(dir, base);

  struct stat st {};
  const bool keepMode = ::stat(finalPath, &st) == 0 && S_ISREG(st.st_mode);
  for (int i = 0; i < kNameTries; ++i) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp.%ld.%016llx", static_cast<long>(::getpid()),
                  randomPart());
    const std::string name = std::string(finalPath) + suffix;
    const int fd =
        ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 07777);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    if (keepMode) ::fchmod(fd, st.st_mode & 07777);
    tempPath = name;
    return fd;
  }
  errno = EEXIST;
  return -1;
}
