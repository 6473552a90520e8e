#pragma once
// The profile store (ini file), machine-bound data protection and the autostart entry.
// Windows: GetPrivateProfile*/WritePrivateProfileStringA, CryptProtectData with the
//   machine key, the HKLM Run value. Linux: an ini layer with the same semantics,
//   libsodium keyed from /etc/machine-id, a systemd unit.
// Linux details: section and key names match without regard to ASCII case; values are
//   trimmed and lose one pair of enclosing quotes; an empty value reads as missing for
//   profileGetInt, which takes an optional sign and decimal digits (no hex); lines are
//   written with CR LF; a value is cut at a line break; an unreadable existing file is not
//   overwritten (false). protectData: crypto_secretbox (XSalsa20-Poly1305), key =
//   BLAKE2b(machine-id, entropy), blob = 24-byte nonce + ciphertext + 16-byte tag; any
//   account of the machine can unprotect, as with the Windows machine key; false without a
//   machine id, for a blob shorter than 40 bytes or one that fails authentication.
//   setAutostart: the packaged /lib/systemd/system/vetrel.service enabled or disabled by its
//   multi-user.target.wants link in /etc/systemd/system; without a packaged unit,
//   /etc/systemd/system/vetrel.service (ExecStart=exePath monitor, run in the current
//   directory) and that link; needs root. A vetrel.service installed by hand in /etc
//   (without this setting's first-line mark) is neither replaced, removed nor hidden.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// Missing key or file: def. A value not beginning with a number: 0.
std::int32_t profileGetInt(const char* section, const char* key, std::int32_t def,
                           const char* path);
// At most capacity - 1 characters; missing key: def.
void profileGetString(const char* section, const char* key, const char* def, char* out,
                      std::uint32_t capacity, const char* path);
// Writes the keys in order, as WritePrivateProfileStringA would one by one: creates the file
// and the section when missing; keys updated in place; other keys and lines stay. The file is
// replaced through a temporary file and an atomic rename, so a crash leaves the old or the
// new file whole. False when it could not be written. secret: the keys hold a password (Linux:
// the file is then readable by its owner only, mode 0600; any rewrite keeps the file's mode).
bool profileWriteKeys(const char* section,
                      const std::vector<std::pair<std::string, std::string>>& keyValues,
                      const char* path, bool secret = false);

// Machine-bound protection of bytes with an entropy; false on failure.
bool protectData(const std::vector<std::uint8_t>& plain, const std::vector<std::uint8_t>& entropy,
                 std::vector<std::uint8_t>& blob);
bool unprotectData(const std::vector<std::uint8_t>& blob, const std::vector<std::uint8_t>& entropy,
                   std::vector<std::uint8_t>& plain);

// Creates (on) or deletes (off) the autostart entry holding exePath; failures are silent.
void setAutostart(bool on, const char* exePath);
// The same, saying what was done or why it could not be (Linux: one English line; Windows:
// nothing); false when it could not.
bool setAutostartSaying(bool on, const char* exePath, std::string& said);

}  // namespace platform
