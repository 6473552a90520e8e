// Process-level services on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <ctime>
#include <thread>

#include "platform/linux/temp_file.h"
#include "platform/system_platform.h"

namespace platform {

bool startSockets() { return true; }
void stopSockets() {}

std::string executablePath() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return std::string();
  return std::string(path, static_cast<std::size_t>(n));
}

bool setCurrentDirectory(const char* path) { return path && chdir(path) == 0; }

bool replaceFile(const char* tempPath, const char* finalPath) {
  // The data must be on disk before the name points at it, or a crash leaves an empty file.
  int fd = open(tempPath, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced && rename(tempPath, finalPath) == 0;
}

bool removeFile(const char* path) { return unlink(path) == 0; }

std::FILE* createTempFile(const char* finalPath, std::string& tempPath) {
  const int fd = createTempFd(finalPath, 0666, tempPath);
  if (fd < 0) return nullptr;
  std::FILE* f = fdopen(fd, "wb");
  if (!f) {
    close(fd);
    unlink(tempPath.c_str());
  }
  return f;
}

std::size_t appendWhole(std::FILE* file, const char* data, std::size_t length) {
  const int fd = fileno(file);
  if (fd < 0 || length == 0) return 0;
  ssize_t n = -1;
  do n = write(fd, data, length);
  while (n < 0 && errno == EINTR);
  if (n <= 0) return 0;
  const auto written = static_cast<std::size_t>(n);
  if (written == length) return length;
  // A full disk took part of the text: take it back, so no fragment line is left standing.
  // With O_APPEND the offset is just past what this write put at the end; a file that has
  // grown beyond it holds another writer's bytes behind ours, which stay.
  const off_t end = lseek(fd, 0, SEEK_CUR);
  struct stat st {};
  if (end >= n && fstat(fd, &st) == 0 && st.st_size == end && ftruncate(fd, end - n) == 0) return 0;
  return written;
}

std::FILE* openForReading(const char* path, bool& missing) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  missing = fd < 0 && errno == ENOENT;
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* f = fdopen(fd, "rb");
  if (!f) close(fd);
  return f;
}

std::FILE* openAppendShared(const char* path, bool& notRegular) {
  notRegular = false;
  // Without O_NONBLOCK a FIFO would hold the start-up until some reader opened it. Without
  // O_NOFOLLOW a link planted under the name would have a monitor running as root append to
  // whatever file it names.
  int fd = open(
      path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW, 0644);
  if (fd < 0) {
    // A FIFO without a reader; a directory; a symbolic link.
    notRegular = errno == ENXIO || errno == EISDIR || errno == ELOOP;
    return nullptr;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    notRegular = true;
    close(fd);
    return nullptr;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* f = fdopen(fd, "ab");
  if (!f) close(fd);
  return f;
}

namespace {
std::tm localTm() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm;
}
}  // namespace

WallClock localNow() {
  std::tm tm = localTm();
  return WallClock{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                   tm.tm_min,         tm.tm_sec,     tm.tm_wday};
}

TimeZoneInfo timeZoneInformation() {
  std::tm tm = localTm();
  // The offset in force now already includes daylight time, so both extra biases are 0.
  TimeZoneInfo info{};
  info.state = tm.tm_isdst > 0 ? TimeZoneInfo::Daylight : TimeZoneInfo::Standard;
  info.bias = static_cast<std::int32_t>(-tm.tm_gmtoff / 60);
  info.standardBias = 0;
  info.daylightBias = 0;
  return info;
}

void screenSize(int& width, int& height) {
  width = 1024;
  height = 768;
}

void sleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace platform
