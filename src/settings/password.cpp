#include <cstdint>
#include <vector>

#include "base/text_field.h"
#include "platform/settings_platform.h"
#include "settings/settings.h"

namespace {

// The entropy text and its terminating zero: 19 bytes.
const std::vector<std::uint8_t> kEntropy = [] {
  static const char text[] = "KOVALIN_TREZ_PORMA";
  return std::vector<std::uint8_t>(text, text + sizeof text);
}();

}  // namespace

std::string protectPassword(const char* plain) {
  const std::string_view text = plain ? std::string_view(plain) : std::string_view();
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);  // the terminator is protected too
  std::vector<std::uint8_t> blob;
  if (!platform::protectData(bytes, kEntropy, blob)) return {};
  std::string hex;
  hex.reserve(2 * blob.size());
  for (std::uint8_t b : blob) {
    hex += kHexDigits[b >> 4];
    hex += kHexDigits[b & 15];
  }
  return hex;
}

bool unprotectPassword(const char* hexText, char (&out)[32]) {
  out[0] = 0;
  if (!hexText) return false;
  // Pairs are decoded until the text ends or a pair is not hexadecimal.
  std::vector<std::uint8_t> blob;
  for (const char* p = hexText; p[0] != 0 && p[1] != 0; p += 2) {
    const int high = hexDigit(p[0]);
    const int low = hexDigit(p[1]);
    if (high < 0 || low < 0) break;
    blob.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  std::vector<std::uint8_t> plain;
  if (!platform::unprotectData(blob, kEntropy, plain)) return false;
  // The block holds a zero-terminated text; a block without the zero ends where it ends.
  copyField(out, std::string_view(reinterpret_cast<const char*>(plain.data()), plain.size()));
  return true;
}
