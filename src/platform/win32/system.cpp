// Process-level services: the socket layer, paths and files, clock, screen.

// The socket header must come before <windows.h>.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <fcntl.h>
#include <io.h>
// clang-format on

#include <atomic>
#include <cstdint>

#include "platform/system_platform.h"
#include "platform/win32/socket_layer.h"
#include "platform/win32/temp_file.h"
#include "platform/win32/unique_resource.h"
#include "platform/win32/wide_path.h"

namespace platform {

namespace {
// Windows refuses socket calls before WSAStartup; Wine answers them anyway. Counting the
// starts keeps "no socket layer, no lookups" true on both.
std::atomic<int> socketStarts{0};
}  // namespace

bool socketLayerStarted() { return socketStarts.load() > 0; }

bool startSockets() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  ++socketStarts;
  return true;
}

void stopSockets() {
  // Only a start that succeeded is undone.
  int started = socketStarts.load();
  while (started > 0 && !socketStarts.compare_exchange_weak(started, started - 1)) {
  }
  if (started > 0) WSACleanup();
}

std::string executablePath() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  // A cut path would name some other directory, and so would one with characters the
  // program's code page lacks; better none at all.
  std::string narrow;
  if (n == 0 || n >= MAX_PATH || !narrowPath(path, n, narrow)) return std::string();
  return narrow;
}

bool setCurrentDirectory(const char* path) {
  return SetCurrentDirectoryW(widePath(path).c_str()) != 0;
}

bool replaceFile(const char* tempPath, const char* finalPath) {
  // The new contents reach the disk before the rename makes them the file: a crash right
  // after it must not leave an empty file in the old one's place.
  {
    UniqueFileHandle temp(
        CreateFileW(widePath(tempPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!temp || !FlushFileBuffers(temp.get())) return false;
  }
  return MoveFileExW(widePath(tempPath).c_str(), widePath(finalPath).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const char* path) { return DeleteFileW(widePath(path).c_str()) != 0; }

namespace {

// A handle of ours as a stdio stream in the given mode; the stream owns it from then on.
std::FILE* streamOf(UniqueFileHandle& file, int flags, const char* mode) {
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(file.get()), flags);
  if (fd == -1) return nullptr;
  file.release();
  std::FILE* stream = _fdopen(fd, mode);
  if (!stream) _close(fd);
  return stream;
}

}  // namespace

std::FILE* openForReading(const char* path, bool& missing) {
  UniqueFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD error = file ? 0 : GetLastError();
  missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  // Only a file on a disk: a pipe or a device could hold the reading up.
  if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) return nullptr;
  return streamOf(file, _O_BINARY | _O_RDONLY, "rb");
}

std::FILE* createTempFile(const char* finalPath, std::string& tempPath) {
  UniqueFileHandle file(createTempHandle(finalPath, tempPath));
  if (!file) return nullptr;
  std::FILE* stream = streamOf(file, _O_BINARY, "wb");
  if (!stream) {
    file.reset();
    DeleteFileW(widePath(tempPath.c_str()).c_str());
  }
  return stream;
}

std::size_t appendWhole(std::FILE* file, const char* data, std::size_t length) {
  const int fd = _fileno(file);
  if (fd < 0 || length == 0 || length > 0x7FFFFFFF) return 0;
  const int n = _write(fd, data, static_cast<unsigned>(length));
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::FILE* openAppendShared(const char* path, bool& notRegular) {
  notRegular = false;
  // Append access only: every write lands at the end, whatever another writer did.
  const std::wstring wide = widePath(path);
  UniqueFileHandle file(CreateFileW(wide.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    notRegular = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    return nullptr;
  }
  // A pipe or a device under that name is no log file.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) {
    notRegular = true;
    return nullptr;
  }
  return streamOf(file, _O_APPEND | _O_BINARY, "ab");
}

WallClock localNow() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return WallClock{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wDayOfWeek};
}

TimeZoneInfo timeZoneInformation() {
  TIME_ZONE_INFORMATION zone{};
  const DWORD id = GetTimeZoneInformation(&zone);
  if (id == TIME_ZONE_ID_INVALID) return TimeZoneInfo{TimeZoneInfo::Unknown, 0, 0, 0};
  const TimeZoneInfo::State state = id == TIME_ZONE_ID_STANDARD   ? TimeZoneInfo::Standard
                                    : id == TIME_ZONE_ID_DAYLIGHT ? TimeZoneInfo::Daylight
                                                                  : TimeZoneInfo::Unknown;
  return TimeZoneInfo{state, zone.Bias, zone.StandardBias, zone.DaylightBias};
}

void screenSize(int& width, int& height) {
  width = GetSystemMetrics(SM_CXSCREEN);
  height = GetSystemMetrics(SM_CYSCREEN);
}

void sleepMs(int ms) { Sleep(ms > 0 ? static_cast<DWORD>(ms) : 0); }

}  // namespace platform
