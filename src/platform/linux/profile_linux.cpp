// The profile store: an ini file read and written with the Windows profile calls' semantics.
#include <cstring>

#include "platform/ini_text.h"
#include "platform/linux/file_bytes.h"
#include "platform/settings_platform.h"

namespace {

bool lookup(const char* section, const char* key, const char* path, std::string& value) {
  if (!section || !key || !path) return false;
  std::string bytes;
  if (!readFileBytes(path, bytes)) return false;
  return iniFind(parseIniText(bytes), section, key, value);
}

}  // namespace

namespace platform {

std::int32_t profileGetInt(const char* section, const char* key, std::int32_t def,
                           const char* path) {
  std::string value;
  // An empty value counts as missing, as with GetPrivateProfileInt.
  if (!lookup(section, key, path, value) || value.empty()) return def;
  return iniParseInt(value);
}

void profileGetString(const char* section, const char* key, const char* def, char* out,
                      std::uint32_t capacity, const char* path) {
  if (!out || capacity == 0) return;
  std::string value;
  if (!lookup(section, key, path, value)) value = def ? def : "";
  std::size_t n = std::min<std::size_t>(std::strlen(value.c_str()), capacity - 1);
  std::memcpy(out, value.data(), n);
  out[n] = 0;
}

bool profileWriteKeys(const char* section,
                      const std::vector<std::pair<std::string, std::string>>& keyValues,
                      const char* path, bool secret) {
  if (!section || !path) return false;
  std::string bytes;
  // A file that exists but cannot be read is left alone rather than replaced.
  if (!readFileBytes(path, bytes)) return false;
  std::string merged;
  if (!mergeIniKeys(bytes, section, keyValues, merged)) return false;
  return writeFileAtomically(path, merged, 0644, secret);
}

}  // namespace platform
