#pragma once
// Lookups that keep an ARP check linear in the table and sample sizes while giving the
// same answers as a scan of the lists in order (first match wins).
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "base/address.h"
#include "base/mac_match.h"

// Open-addressed table of list indices; the caller supplies hashing and equality.
struct IndexSlots {
  // 0 empty, else the hash's top bits above index + 1 (indexBits wide): most probes are
  // settled without touching the list, and four-byte slots keep the table small enough to
  // stay in the cache longer.
  std::vector<std::uint32_t> slots;
  std::size_t used = 0;
  unsigned indexBits = 32;

  // Room for `expected` keys at two-thirds load, with indexes up to largestIndex and some
  // beyond it for later appends.
  void reset(std::size_t expected, std::size_t largestIndex);
  bool needsGrowth(std::size_t index) const {
    return (used + 1) * 3 > slots.size() * 2 || (index + 1) >> indexBits != 0;
  }
};

// The first entry of a list with a given binding (ipText, macText, typeText).
struct BindingIndex {
  IndexSlots table;
  std::vector<std::uint64_t> scratch;  // hash and index pairs while building
  const AddressEntry* builtData = nullptr;
  std::size_t builtSize = 0;
  bool valid = false;

  // hashes, when given, hold bindingHash of every entry of the list.
  void build(const AddressList& list, const std::vector<std::uint64_t>* hashes = nullptr);
  // False after invalidate() or when the list was visibly reallocated or resized.
  bool builtFor(const AddressList& list) const;
  void invalidate() { valid = false; }
  int find(const AddressList& list, const AddressEntry& e) const;  // index or -1
  int find(const AddressList& list, const AddressEntry& e, std::uint64_t hash) const;
  // Asks the memory for the slot a later find of this hash reads first.
  void prefetch(std::uint64_t hash) const;
};

// The first sample whose IP pattern matches a text, and whether a sample holds a MAC text
// (hex digits in either case).
// Built from the sample list on first use; samples appended afterwards are announced.
struct SampleIndex {
  IndexSlots exactIp;  // samples without '*' in ipText, first index per text
  // Samples with '*' in ipText, ascending, with their text kept at hand: the part before
  // the first star must open the address, which rejects most of them in a few compares.
  struct Wildcard {
    std::int32_t index;
    std::uint32_t length;
    std::uint64_t prefix[3], mask[3];
    char text[24];
  };
  std::vector<Wildcard> wildIp;
  IndexSlots mac;                      // every sample, first index per macText
  std::vector<std::uint64_t> scratch;  // hash and index pairs while building
  bool ipBuilt = false;
  bool macBuilt = false;

  void invalidate() { ipBuilt = macBuilt = false; }
  int firstIpMatch(const AddressList& samples, std::string_view ipText);  // index or -1
  int firstIpMatch(const AddressList& samples, std::string_view ipText, std::uint64_t hash);
  void prefetchIp(std::uint64_t hash) const;  // only once the IP part is built
  bool hasMac(const AddressList& samples, std::string_view macText);
  void appended(const AddressList& samples, int index);  // samples[index] was just added
};

std::uint64_t hashText(std::string_view text, std::uint64_t seed);
std::uint64_t bindingHash(const AddressEntry& e);     // of ipText, macText and typeText
std::uint64_t ipTextHash(std::string_view ipText);    // as SampleIndex keys exact IP texts
std::uint64_t macTextHash(std::string_view macText);  // equal for texts that sameMacText equates
