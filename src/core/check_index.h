#pragma once
// Lookups that keep an ARP check linear in the table and sample sizes while giving the
// same answers as a scan of the lists in order (first match wins).
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/address.h"

// Open-addressed table of list indices; the caller supplies hashing and equality.
struct IndexSlots {
  std::vector<std::int32_t> slots;  // -1 empty
  std::size_t used = 0;

  void reset(std::size_t expected);  // room for `expected` keys at half load
  bool needsGrowth() const { return (used + 1) * 2 > slots.size(); }
};

// The first entry of a list with a given binding (ipText, macText, typeText).
struct BindingIndex {
  IndexSlots table;
  const AddressEntry* builtData = nullptr;
  std::size_t builtSize = 0;
  bool valid = false;

  void build(const AddressList& list);
  // False after invalidate() or when the list was visibly reallocated or resized.
  bool builtFor(const AddressList& list) const;
  void invalidate() { valid = false; }
  int find(const AddressList& list, const AddressEntry& e) const;  // index or -1
};

// The first sample whose IP pattern matches a text, and whether a sample holds a MAC text.
// Built from the sample list on first use; samples appended afterwards are announced.
struct SampleIndex {
  IndexSlots exactIp;                // samples without '*' in ipText, first index per text
  std::vector<std::int32_t> wildIp;  // samples with '*' in ipText, ascending
  IndexSlots mac;                    // every sample, first index per macText
  bool ipBuilt = false;
  bool macBuilt = false;

  void invalidate() { ipBuilt = macBuilt = false; }
  int firstIpMatch(const AddressList& samples, std::string_view ipText);  // index or -1
  bool hasMac(const AddressList& samples, std::string_view macText);
  void appended(const AddressList& samples, int index);  // samples[index] was just added
};

std::uint64_t hashText(std::string_view text, std::uint64_t seed);
