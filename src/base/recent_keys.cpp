#include "base/recent_keys.h"

#include <algorithm>
#include <limits>

std::uint64_t mixKey(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ull;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

std::size_t keySets(std::size_t capacity) {
  std::size_t n = 1;
  while (n * kKeyWays < capacity) n *= 2;
  return n;
}

std::uint64_t bytesKey(std::uint64_t seed, const std::uint8_t* bytes, std::size_t count) {
  std::uint64_t k = mixKey(seed ^ count);
  for (std::size_t i = 0; i < count; i += 8) {
    std::uint64_t word = 0;
    for (std::size_t j = i; j < count && j < i + 8; ++j) word = word << 8 | bytes[j];
    k = mixKey(k ^ word);
  }
  return k;
}

RecentKeys::RecentKeys(std::size_t capacity, double window)
    : slots_(keySets(capacity) * kKeyWays, Slot{0, -1}), window_(window) {}

bool RecentKeys::firstWithin(std::uint64_t key, double now) {
  Slot* set = &slots_[(mixKey(key) & (slots_.size() / kKeyWays - 1)) * kKeyWays];
  Slot* oldest = set;
  for (std::size_t i = 0; i < kKeyWays; ++i) {
    Slot& s = set[i];
    if (s.at >= 0 && s.key == key) {
      if (now - s.at < window_) return false;
      s.at = now;
      return true;
    }
    if (s.at < oldest->at) oldest = &s;  // an empty slot is older than any
  }
  *oldest = Slot{key, now};
  return true;
}

void RecentKeys::clear() { std::fill(slots_.begin(), slots_.end(), Slot{0, -1}); }

OnceKeys::OnceKeys(std::size_t capacity)
    : keys_(capacity, std::numeric_limits<double>::infinity()) {}

bool OnceKeys::first(std::uint64_t key) { return keys_.firstWithin(key, count_++); }

void OnceKeys::clear() {
  keys_.clear();
  count_ = 0;
}
