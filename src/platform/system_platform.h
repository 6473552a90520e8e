#pragma once
// Process-level services: sockets, paths, files, clock, screen.
// Linux: executablePath from /proc/self/exe; replaceFile flushes the temporary to disk
// before rename(2); openAppendShared opens O_APPEND|O_CREAT|O_NONBLOCK with mode 0644 and
// keeps only a regular file; time-zone bias from tm_gmtoff (daylight time already included,
// so both extra biases are 0); the screen is a nominal 1024 x 768.
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

bool startSockets();  // Winsock 2.2 on Windows; always true on Linux
void stopSockets();

// The executable's full path (Windows: with backslashes).
std::string executablePath();
bool setCurrentDirectory(const char* path);

// A new file open for writing beside finalPath, named finalPath + ".tmp." + the process id +
// "." + a unique part, created exclusively (Linux: O_CREAT|O_EXCL|O_NOFOLLOW; Windows:
// CREATE_NEW), so a name planted there (a link to some other file) is never written through.
// Its name goes to tempPath. Stale files of that form left by processes that have ended, and
// the bare finalPath + ".tmp" of earlier versions, are removed first as names (a link goes,
// the file it names stays). Null on failure.
std::FILE* createTempFile(const char* finalPath, std::string& tempPath);
// Atomically puts tempPath in the place of finalPath (replacing it when present).
bool replaceFile(const char* tempPath, const char* finalPath);
bool removeFile(const char* path);
// A data file opened for reading, in binary. Never blocks (Linux: O_NONBLOCK until it is
// known to be a regular file): a FIFO, a device or a directory under the name gives null with
// error set, as an unreadable file; a missing one gives null with missing set.
std::FILE* openForReading(const char* path, bool& missing);
// Append-only regular file that other processes may read; null on failure, with notRegular
// set when the name is something else (a FIFO, a device, a directory). Never blocks.
std::FILE* openAppendShared(const char* path, bool& notRegular);
// Appends a text to an unbuffered file of openAppendShared in one write; answers how many of
// its bytes stay in the file: all of them, or none when the disk took only part (Linux:
// the part is truncated away unless another writer appended behind it; Windows: NTFS
// allocates a write's clusters before it copies, so a full disk fails the write whole).
std::size_t appendWhole(std::FILE* file, const char* data, std::size_t length);

// Local wall-clock time now.
struct WallClock {
  int year, month, day, hour, minute, second, weekDay;
};
WallClock localNow();

// Time-zone information in minutes, local = UTC - bias.
struct TimeZoneInfo {
  enum State { Unknown, Standard, Daylight } state;
  std::int32_t bias, standardBias, daylightBias;
};
TimeZoneInfo timeZoneInformation();

// Primary screen in pixels (a console build answers a nominal size).
void screenSize(int& width, int& height);

void sleepMs(int ms);

}  // namespace platform
