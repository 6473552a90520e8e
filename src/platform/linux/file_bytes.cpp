#include "platform/linux/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/temp_file.h"

bool readFileBytes(const char* path, std::string& bytes) {
  bytes.clear();
  // A FIFO under the name would hold the start up until a writer came: not a file.
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  char chunk[8192];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      bytes.clear();
      return false;
    }
    if (n == 0) break;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  close(fd);
  return true;
}

bool writeFileAtomically(const char* path, const std::string& bytes, unsigned mode,
                         bool privateFile) {
  std::string temp;
  int fd = createTempFd(path, privateFile ? mode & 0600 : mode, temp);
  if (fd < 0) return false;
  bool ok = true;
  struct stat st {};
  // Before a byte is written: the text never lies in a file that others may read.
  if (privateFile) ok = fstat(fd, &st) == 0 && fchmod(fd, st.st_mode & 0600) == 0;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<std::size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), path) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}
