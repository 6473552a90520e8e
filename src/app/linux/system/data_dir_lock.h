#pragma once
// Who works on a data directory: a running monitor holds a shared flock on the directory
// itself, a settings edit an exclusive one, so an edit never lands in a file that a monitor
// will overwrite with its own settings at exit. Locks end with the process.
#include <string>

enum class DirLockResult { Held, Busy, Failed, NotAFile };

// Shared: waits up to waitMs for an edit under way to finish. Exclusive: never waits.
// On Held, fd is the open directory that carries the lock (close-on-exec).
DirLockResult lockDataDirectory(const std::string& dir, bool exclusive, int waitMs, int& fd);
void unlockDataDirectory(int& fd);

// Whether another process holds dir (a monitor or an edit), asked without waiting or keeping it.
bool dataDirectoryBusy(const std::string& dir);

// One monitor per data directory: an exclusive flock on DIR/monitor.lock, which only monitors
// take, so editors and `vetrel scan --compare` see monitors as before. Busy: another monitor
// holds it. Failed: the file can be neither created nor opened (a read-only directory without
// it), and nothing is known. NotAFile: the name is there but not a plain file (a link, a
// FIFO, a directory), planted to make the claim fail: no monitor may run. On Held, fd carries the
// claim (close-on-exec) until the process ends; the file is left in place, since removing it would
// race with the next claim.
DirLockResult claimMonitorLock(const std::string& dir, int& fd);
