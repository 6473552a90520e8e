#pragma once
// The platform's result codes that the logic tells apart. Both backends answer with these
// Windows numbers; any other non-zero value is a plain failure (on Linux, the errno).
#include <cstdint>

inline constexpr std::uint32_t kOk = 0;
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorBufferOverflow = 111;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorNoData = 232;
inline constexpr std::uint32_t kErrorIoPending = 997;
