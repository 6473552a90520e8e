#pragma once
// Paths are Windows-1251 text inside the program, as every other text; the system gets them
// in UTF-16 through the wide calls, so a Cyrillic folder works whatever the system's ANSI
// code page is. The files' contents stay Windows-1251.
#include <windows.h>

#include <string>

inline std::wstring widePath(const char* path) {
  if (!path || !*path) return {};
  const int n = MultiByteToWideChar(1251, 0, path, -1, nullptr, 0);
  if (n <= 1) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(1251, 0, path, -1, wide.data(), n);
  wide.resize(static_cast<std::size_t>(n - 1));
  return wide;
}

// The program's form of a path the system gave; false when a character has no Windows-1251
// form (the path would name another file).
inline bool narrowPath(const wchar_t* path, std::size_t length, std::string& out) {
  out.clear();
  if (length == 0) return true;
  const int size = static_cast<int>(length);
  const int n =
      WideCharToMultiByte(1251, WC_NO_BEST_FIT_CHARS, path, size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return false;
  out.assign(static_cast<std::size_t>(n), '\0');
  BOOL lost = FALSE;
  WideCharToMultiByte(1251, WC_NO_BEST_FIT_CHARS, path, size, out.data(), n, nullptr, &lost);
  return !lost;
}
