#pragma once
// Bounded memories of keys: a flood of made-up senders cannot grow them. Sets of kKeyWays
// slots chosen by the key's mixed bits; a full set forgets its oldest key first.
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr std::size_t kKeyWays = 4;
// splitmix64's finaliser: every bit of x moves about half of the result's.
std::uint64_t mixKey(std::uint64_t x);
// The number of sets (a power of two) that holds at least capacity keys.
std::size_t keySets(std::size_t capacity);
// A key of bytes, mixed with seed (a per-run seed keeps chosen senders from crowding one set).
std::uint64_t bytesKey(std::uint64_t seed, const std::uint8_t* bytes, std::size_t count);

// Keys seen within a window, at most a fixed number.
class RecentKeys {
 public:
  RecentKeys(std::size_t capacity, double window);
  // True when key was not seen within the window before now; it is then seen at now.
  bool firstWithin(std::uint64_t key, double now);
  void clear();

 private:
  struct Slot {
    std::uint64_t key;
    double at;  // below 0: empty
  };
  std::vector<Slot> slots_;
  double window_;
};

// Keys told once per run, at most a fixed number; once full the oldest is forgotten (and
// would be told again).
class OnceKeys {
 public:
  explicit OnceKeys(std::size_t capacity);
  bool first(std::uint64_t key);  // true the first time; the key is then kept
  void clear();

 private:
  RecentKeys keys_;
  double count_ = 0;  // the order keys came in: the "time" that picks the oldest
};
