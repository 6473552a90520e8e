#pragma once
// A full disk for the length of a scope: writes past the given size of any file fail (short,
// then with EFBIG) as they do when the disk fills up, instead of raising SIGXFSZ.
#include <sys/resource.h>

#include <csignal>

struct FileSizeLimit {
  rlimit saved{};
  void (*savedHandler)(int) = SIG_DFL;
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved);
    savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
};
