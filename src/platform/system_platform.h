#pragma once
// Process-level services: sockets, paths, files, clock, screen.
// Linux: executablePath from /proc/self/exe; replaceFile flushes the temporary to disk
// before rename(2); openAppendShared opens O_APPEND|O_CREAT with mode 0644; time-zone bias
// from tm_gmtoff (daylight time already included, so both extra biases are 0); the screen
// is a nominal 1024 x 768.
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

bool startSockets();  // Winsock 2.2 on Windows; always true on Linux
void stopSockets();

// The executable's full path (Windows: with backslashes).
std::string executablePath();
bool setCurrentDirectory(const char* path);

// Atomically puts tempPath in the place of finalPath (replacing it when present).
bool replaceFile(const char* tempPath, const char* finalPath);
bool removeFile(const char* path);
// Append-only file that other processes may read; null on failure.
std::FILE* openAppendShared(const char* path);

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
