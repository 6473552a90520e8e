#pragma once
// Fixed-size zero-terminated text fields: every copy is cut to capacity - 1.
#include <cstddef>
#include <cstring>
#include <string_view>

// Copies at most cap - 1 bytes of src (up to its first zero) and terminates.
inline void copyText(char* dst, std::size_t cap, std::string_view src) {
  if (cap == 0) return;
  std::size_t n = src.size();
  // An empty view may hold no pointer at all, which memchr and memcpy must never see.
  if (n != 0) {
    if (const void* z = std::memchr(src.data(), 0, n)) n = static_cast<const char*>(z) - src.data();
    if (n > cap - 1) n = cap - 1;
    std::memcpy(dst, src.data(), n);
  }
  dst[n] = 0;
}

template <std::size_t N>
inline void copyField(char (&dst)[N], std::string_view src) {
  copyText(dst, N, src);
}

template <std::size_t N>
inline void copyField(char (&dst)[N], const char* src) {
  copyText(dst, N, src ? std::string_view(src) : std::string_view());
}

// Length of a field's text, never reading past the field.
template <std::size_t N>
inline std::size_t fieldLength(const char (&f)[N]) {
  const void* z = std::memchr(f, 0, N);
  return z ? static_cast<const char*>(z) - f : N;
}

// Lower-case digits for hexadecimal text; hexDigit reads either case, -1 for other bytes.
inline constexpr char kHexDigits[] = "0123456789abcdef";

inline int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

template <std::size_t N>
inline std::string_view fieldView(const char (&f)[N]) {
  return std::string_view(f, fieldLength(f));
}
