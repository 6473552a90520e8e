// Machine-bound protection of the mail password through DPAPI.

// The socket header must come before <windows.h>.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include "platform/settings_platform.h"
#include "platform/win32/unique_resource.h"

namespace {

// The API takes non-const blobs but only reads its inputs.
DATA_BLOB inputBlob(const std::vector<std::uint8_t>& bytes) {
  return DATA_BLOB{static_cast<DWORD>(bytes.size()), const_cast<BYTE*>(bytes.data())};
}

}  // namespace

namespace platform {

bool protectData(const std::vector<std::uint8_t>& plain, const std::vector<std::uint8_t>& entropy,
                 std::vector<std::uint8_t>& blob) {
  DATA_BLOB in = inputBlob(plain);
  DATA_BLOB extra = inputBlob(entropy);
  DATA_BLOB out{};
  if (!CryptProtectData(&in, L"&", entropy.empty() ? nullptr : &extra, nullptr, nullptr,
                        CRYPTPROTECT_UI_FORBIDDEN | CRYPTPROTECT_LOCAL_MACHINE, &out))
    return false;
  UniqueHlocal owned(out.pbData);
  blob.assign(out.pbData, out.pbData + out.cbData);
  return true;
}

bool unprotectData(const std::vector<std::uint8_t>& blob, const std::vector<std::uint8_t>& entropy,
                   std::vector<std::uint8_t>& plain) {
  DATA_BLOB in = inputBlob(blob);
  DATA_BLOB extra = inputBlob(entropy);
  DATA_BLOB out{};
  if (!CryptUnprotectData(&in, nullptr, entropy.empty() ? nullptr : &extra, nullptr, nullptr,
                          CRYPTPROTECT_UI_FORBIDDEN, &out))
    return false;
  UniqueHlocal owned(out.pbData);
  plain.assign(out.pbData, out.pbData + out.cbData);
  return true;
}

}  // namespace platform
