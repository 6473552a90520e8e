#pragma once
// Temporary files beside the file they will replace, safe in a directory that others may
// write to: created exclusively under a fresh name, never through a symbolic link.
#include <string>

// finalPath + ".tmp." + the process id + "." + a random part, opened O_WRONLY with
// O_CREAT|O_EXCL|O_NOFOLLOW. Permissions: those of finalPath when it exists, else mode (less
// the umask). Stale files of that form whose process has ended, and the bare finalPath +
// ".tmp" of earlier versions, are unlinked first (a link goes, its target stays). The
// descriptor, or -1 with errno set.
int createTempFd(const char* finalPath, unsigned mode, std::string& tempPath);

// Whether name is a temporary file of base (a bare file name) that removeStaleTemps may take:
// pid gets its process id (0 for the bare ".tmp" form).
bool isTempNameOf(const std::string& name, const std::string& base, long& pid);
