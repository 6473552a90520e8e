#pragma once
// The program's narrow texts are Windows-1251; the window system gets UTF-16, so Cyrillic
// shows on a Windows of any language. Conversion happens only here, at that boundary.
#include <windows.h>

#include <string>

inline constexpr UINT kProgramCodePage = 1251;

inline std::wstring toWide(const char* text) {
  if (!text || !*text) return std::wstring();
  const int n = MultiByteToWideChar(kProgramCodePage, 0, text, -1, nullptr, 0);
  if (n <= 1) return std::wstring();
  std::wstring out(static_cast<std::size_t>(n - 1), L'\0');
  MultiByteToWideChar(kProgramCodePage, 0, text, -1, out.data(), n);
  return out;
}

inline std::string toNarrow(const wchar_t* text) {
  if (!text || !*text) return std::string();
  const int n = WideCharToMultiByte(kProgramCodePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string out(static_cast<std::size_t>(n - 1), '\0');
  WideCharToMultiByte(kProgramCodePage, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}
