#pragma once
// A Linux failure as a platform result. The logic tells a few Windows numbers apart
// (platform/errors.h), and some errno values share them: EDQUOT is 122, the insufficient
// buffer that asks for a larger one; ECONNREFUSED is 111, the buffer overflow. Calls that
// answer with those numbers pass every errno value through here, so none reads as one.
#include <cerrno>
#include <cstdint>

#include "platform/errors.h"

inline std::uint32_t errnoResult(std::uint32_t error) {
  switch (error) {
    case kErrorNotSupported:
    case kErrorBufferOverflow:
    case kErrorInsufficientBuffer:
    case kErrorNoData:
    case kErrorIoPending:
      return EIO;
    default:
      return error;
  }
}
