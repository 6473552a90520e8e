#include "app/linux/system/data_dir_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

DirLockResult lockDataDirectory(const std::string& dir, bool exclusive, int waitMs, int& fd) {
  fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return DirLockResult::Failed;
  // A directory needs no write access and leaves no file behind to clean up.
  const int operation = (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  for (int waited = 0;; waited += 50) {
    if (::flock(fd, operation) == 0) return DirLockResult::Held;
    const int error = errno;
    if (error == EINTR) continue;
    if (error != EWOULDBLOCK || waited >= waitMs) {
      ::close(fd);
      fd = -1;
      return error == EWOULDBLOCK ? DirLockResult::Busy : DirLockResult::Failed;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void unlockDataDirectory(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool dataDirectoryBusy(const std::string& dir) {
  int fd = -1;
  const DirLockResult r = lockDataDirectory(dir, true, 0, fd);
  unlockDataDirectory(fd);
  return r == DirLockResult::Busy;
}

DirLockResult claimMonitorLock(const std::string& dir, int& fd) {
  const std::string path = dir + "/monitor.lock";
  const int flags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
  fd = ::open(path.c_str(), O_RDWR | O_CREAT | flags, 0644);
  if (fd < 0 && errno != ELOOP) fd = ::open(path.c_str(), O_RDONLY | flags);  // read-only dir
  struct stat st {};
  if (fd < 0) {
    const bool there = ::lstat(path.c_str(), &st) == 0;
    return there && !S_ISREG(st.st_mode) ? DirLockResult::NotAFile : DirLockResult::Failed;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    fd = -1;
    return DirLockResult::NotAFile;
  }
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error == EINTR) continue;
    ::close(fd);
    fd = -1;
    return error == EWOULDBLOCK ? DirLockResult::Busy : DirLockResult::Failed;
  }
  return DirLockResult::Held;
}
