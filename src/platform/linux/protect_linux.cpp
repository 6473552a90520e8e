// Machine-bound protection: XSalsa20-Poly1305 with a key hashed from /etc/machine-id and the
// entropy. Like the machine scope on Windows, any account of this machine can unprotect.
#include <sodium.h>

#include <cstring>

#include "platform/linux/file_bytes.h"
#include "platform/settings_platform.h"

namespace {

constexpr char kDomain[] = "vetrel machine-bound password v1";

bool machineId(std::string& id) {
  for (const char* path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
    std::string bytes;
    if (!readFileBytes(path, bytes)) continue;
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == ' ')) bytes.pop_back();
    if (!bytes.empty()) {
      id = bytes;
      return true;
    }
  }
  return false;
}

bool deriveKey(const std::vector<std::uint8_t>& entropy,
               unsigned char (&key)[crypto_secretbox_KEYBYTES]) {
  if (sodium_init() < 0) return false;
  std::string id;
  if (!machineId(id)) return false;
  crypto_generichash_state state;
  const std::uint64_t idLength = id.size();
  crypto_generichash_init(&state, nullptr, 0, sizeof key);
  crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(kDomain),
                            sizeof kDomain);
  // The length keeps "ab"+"c" and "a"+"bc" apart.
  crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(&idLength),
                            sizeof idLength);
  crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(id.data()), id.size());
  crypto_generichash_update(&state, entropy.data(), entropy.size());
  crypto_generichash_final(&state, key, sizeof key);
  return true;
}

}  // namespace

namespace platform {

bool protectData(const std::vector<std::uint8_t>& plain, const std::vector<std::uint8_t>& entropy,
                 std::vector<std::uint8_t>& blob) {
  unsigned char key[crypto_secretbox_KEYBYTES];
  if (!deriveKey(entropy, key)) return false;
  blob.assign(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES + plain.size(), 0);
  randombytes_buf(blob.data(), crypto_secretbox_NONCEBYTES);
  crypto_secretbox_easy(blob.data() + crypto_secretbox_NONCEBYTES, plain.data(), plain.size(),
                        blob.data(), key);
  sodium_memzero(key, sizeof key);
  return true;
}

bool unprotectData(const std::vector<std::uint8_t>& blob, const std::vector<std::uint8_t>& entropy,
                   std::vector<std::uint8_t>& plain) {
  constexpr std::size_t overhead = crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES;
  if (blob.size() < overhead) return false;
  unsigned char key[crypto_secretbox_KEYBYTES];
  if (!deriveKey(entropy, key)) return false;
  std::vector<std::uint8_t> out(blob.size() - overhead);
  const int r =
      crypto_secretbox_open_easy(out.data(), blob.data() + crypto_secretbox_NONCEBYTES,
                                 blob.size() - crypto_secretbox_NONCEBYTES, blob.data(), key);
  sodium_memzero(key, sizeof key);
  if (r != 0) return false;
  plain = std::move(out);
  return true;
}

}  // namespace platform
