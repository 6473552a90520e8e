#include "arp/check_index.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "base/address_input.h"
#include "base/text_field.h"

namespace {

constexpr std::uint64_t kMul = 0x9e3779b97f4a7c15ull;

std::uint64_t mix(std::uint64_t h) {
  h ^= h >> 31;
  h *= 0xbf58476d1ce4e5b9ull;
  return h ^ (h >> 29);
}

// Multiply-shift maps the hash onto any table size, so the size need not be a power of two.
std::size_t homeSlot(const IndexSlots& t, std::uint64_t hash) {
  return static_cast<std::size_t>((hash & 0xffffffffu) * t.slots.size() >> 32);
}

std::uint32_t fingerprint(const IndexSlots& t, std::uint64_t hash) {
  return t.indexBits >= 32 ? 0u : static_cast<std::uint32_t>(hash >> (32 + t.indexBits));
}

std::uint32_t slotValue(const IndexSlots& t, std::uint64_t hash, std::int32_t index) {
  const std::uint32_t low = static_cast<std::uint32_t>(index) + 1u;
  return t.indexBits >= 32 ? low : fingerprint(t, hash) << t.indexBits | low;
}

std::int32_t slotIndex(const IndexSlots& t, std::uint32_t slot) {
  const std::uint32_t low = t.indexBits >= 32 ? slot : slot & ((1u << t.indexBits) - 1u);
  return static_cast<std::int32_t>(low - 1u);
}

bool sameFingerprint(const IndexSlots& t, std::uint32_t slot, std::uint64_t hash) {
  return t.indexBits >= 32 || slot >> t.indexBits == fingerprint(t, hash);
}

std::size_t nextSlot(const IndexSlots& t, std::size_t i) {
  return i + 1 == t.slots.size() ? 0 : i + 1;
}

template <class Equal>
void insertFirst(IndexSlots& t, std::uint64_t hash, std::int32_t index, Equal equal) {
  for (std::size_t i = homeSlot(t, hash);; i = nextSlot(t, i)) {
    const std::uint32_t slot = t.slots[i];
    if (slot == 0) {
      t.slots[i] = slotValue(t, hash, index);
      ++t.used;
      return;
    }
    if (sameFingerprint(t, slot, hash) && equal(slotIndex(t, slot))) return;
  }
}

template <class Equal>
int findSlot(const IndexSlots& t, std::uint64_t hash, Equal equal) {
  if (t.slots.empty()) return -1;
  for (std::size_t i = homeSlot(t, hash);; i = nextSlot(t, i)) {
    const std::uint32_t slot = t.slots[i];
    if (slot == 0) return -1;
    if (sameFingerprint(t, slot, hash) && equal(slotIndex(t, slot))) return slotIndex(t, slot);
  }
}

// A field's text; a plain loop is cheaper than a library call for these short fields.
template <std::size_t N>
std::string_view textOf(const char (&field)[N]) {
  std::size_t n = 0;
  while (n < N && field[n]) ++n;
  return std::string_view(field, n);
}

// Slots are filled in ascending index order, each asked for a few keys ahead, so that
// the misses of a table larger than the caches overlap instead of queueing.
constexpr std::size_t kAhead = 32;

void prefetchSlot(const IndexSlots& t, std::uint64_t hash) {
  if (!t.slots.empty()) __builtin_prefetch(&t.slots[homeSlot(t, hash)]);
}

// pairs holds hash, index, hash, index, ... in ascending index order.
template <class Equal>
void insertAll(IndexSlots& t, const std::vector<std::uint64_t>& pairs, Equal equal) {
  const std::size_t n = pairs.size();
  for (std::size_t i = 0; i < n; i += 2) {
    if (i + 2 * kAhead < n) prefetchSlot(t, pairs[i + 2 * kAhead]);
    const auto index = static_cast<std::int32_t>(pairs[i + 1]);
    insertFirst(t, pairs[i], index, [&](std::int32_t s) { return equal(s, index); });
  }
}

bool isPattern(std::string_view text) { return text.find('*') != std::string_view::npos; }

SampleIndex::Wildcard makeWildcard(std::int32_t index, std::string_view pattern) {
  SampleIndex::Wildcard w{};
  w.index = index;
  copyField(w.text, pattern);
  w.length = static_cast<std::uint32_t>(fieldLength(w.text));
  const std::size_t head = std::string_view(w.text, w.length).find('*');
  char bytes[24] = {}, mask[24] = {};
  std::memcpy(bytes, w.text, head);
  std::memset(mask, 0xff, head);
  std::memcpy(w.prefix, bytes, sizeof w.prefix);
  std::memcpy(w.mask, mask, sizeof w.mask);
  return w;
}

// The address's first 24 bytes, zero-padded, as the prefix test reads them.
struct AddressWords {
  std::uint64_t word[3];
  explicit AddressWords(std::string_view text) {
    char bytes[24] = {};
    std::memcpy(bytes, text.data(), std::min<std::size_t>(text.size(), sizeof bytes));
    std::memcpy(word, bytes, sizeof word);
  }
};

bool opensWith(const SampleIndex::Wildcard& w, const AddressWords& a) {
  return ((a.word[0] & w.mask[0]) ^ w.prefix[0]) == 0 &&
         ((a.word[1] & w.mask[1]) ^ w.prefix[1]) == 0 &&
         ((a.word[2] & w.mask[2]) ^ w.prefix[2]) == 0;
}

void buildIp(SampleIndex& x, const AddressList& samples) {
  x.wildIp.clear();
  x.scratch.clear();
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const std::string_view ip = textOf(samples[i].ipText);
    if (isPattern(ip)) {
      x.wildIp.push_back(makeWildcard(static_cast<std::int32_t>(i), ip));
    } else {
      x.scratch.push_back(ipTextHash(ip));
      x.scratch.push_back(i);
    }
  }
  x.exactIp.reset(x.scratch.size() / 2, samples.size());
  insertAll(x.exactIp, x.scratch, [&](std::int32_t a, std::int32_t b) {
    return textOf(samples[a].ipText) == textOf(samples[b].ipText);
  });
  x.ipBuilt = true;
}

void buildMac(SampleIndex& x, const AddressList& samples) {
  x.scratch.clear();
  for (std::size_t i = 0; i < samples.size(); ++i) {
    x.scratch.push_back(macTextHash(textOf(samples[i].macText)));
    x.scratch.push_back(i);
  }
  x.mac.reset(samples.size(), samples.size());
  insertAll(x.mac, x.scratch, [&](std::int32_t a, std::int32_t b) {
    return sameMacText(textOf(samples[a].macText), textOf(samples[b].macText));
  });
  x.macBuilt = true;
}

}  // namespace

std::uint64_t hashText(std::string_view text, std::uint64_t seed) {
  std::uint64_t h = seed * kMul + text.size();
  while (text.size() >= 8) {
    std::uint64_t w;
    std::memcpy(&w, text.data(), 8);
    h = (h ^ w) * kMul;
    h ^= h >> 32;
    text.remove_prefix(8);
  }
  std::uint64_t w = 0;
  std::memcpy(&w, text.data(), text.size());
  return mix(h ^ w);
}

void IndexSlots::reset(std::size_t expected, std::size_t largestIndex) {
  slots.assign(expected + expected / 2 + 16, 0);
  used = 0;
  // Twice the largest index fits, so that appends rarely force a rebuild.
  const std::uint64_t room = 2 * static_cast<std::uint64_t>(largestIndex) + 16;
  indexBits = static_cast<unsigned>(std::bit_width(room));
  if (indexBits > 32) indexBits = 32;
}

std::uint64_t bindingHash(const AddressEntry& e) {
  std::uint64_t h = hashText(textOf(e.ipText), 1);
  h = hashText(textOf(e.macText), h);
  return hashText(textOf(e.typeText), h);
}

std::uint64_t ipTextHash(std::string_view ipText) { return hashText(ipText, 2); }

std::uint64_t macTextHash(std::string_view macText) {
  // A MAC in any form is hashed as the table writes it; other texts are compared with
  // their hex digits folded, so they are hashed folded.
  char canonical[20];
  if (canonicalMacText(macText, canonical)) return hashText(fieldView(canonical), 3);
  char small[32];
  std::string large;
  char* folded = small;
  if (macText.size() > sizeof small) {
    large.resize(macText.size());
    folded = large.data();
  }
  for (std::size_t i = 0; i < macText.size(); ++i) folded[i] = macFold(macText[i]);
  return hashText(std::string_view(folded, macText.size()), 3);
}

void BindingIndex::build(const AddressList& list, const std::vector<std::uint64_t>* hashes) {
  scratch.clear();
  for (std::size_t i = 0; i < list.size(); ++i) {
    scratch.push_back(hashes && i < hashes->size() ? (*hashes)[i] : bindingHash(list[i]));
    scratch.push_back(i);
  }
  table.reset(list.size(), list.size());
  insertAll(table, scratch,
            [&](std::int32_t a, std::int32_t b) { return sameBinding(list[a], list[b]); });
  builtData = list.data();
  builtSize = list.size();
  valid = true;
}

bool BindingIndex::builtFor(const AddressList& list) const {
  return valid && builtData == list.data() && builtSize == list.size();
}

int BindingIndex::find(const AddressList& list, const AddressEntry& e) const {
  return find(list, e, bindingHash(e));
}

int BindingIndex::find(const AddressList& list, const AddressEntry& e, std::uint64_t hash) const {
  return findSlot(table, hash, [&](std::int32_t s) { return sameBinding(list[s], e); });
}

void BindingIndex::prefetch(std::uint64_t hash) const { prefetchSlot(table, hash); }

int SampleIndex::firstIpMatch(const AddressList& samples, std::string_view ipText) {
  return firstIpMatch(samples, ipText, ipTextHash(ipText));
}

int SampleIndex::firstIpMatch(const AddressList& samples, std::string_view ipText,
                              std::uint64_t hash) {
  if (!ipBuilt) buildIp(*this, samples);
  int hit =
      findSlot(exactIp, hash, [&](std::int32_t s) { return textOf(samples[s].ipText) == ipText; });
  // An exact text matches only itself, so just the patterns in front of it can win.
  const std::int32_t limit = hit < 0 ? INT32_MAX : hit;
  const AddressWords address(ipText);
  for (const Wildcard& w : wildIp) {
    if (w.index >= limit) break;
    if (opensWith(w, address) && matchPattern(std::string_view(w.text, w.length), ipText))
      return w.index;
  }
  return hit;
}

void SampleIndex::prefetchIp(std::uint64_t hash) const {
  if (ipBuilt) prefetchSlot(exactIp, hash);
}

bool SampleIndex::hasMac(const AddressList& samples, std::string_view macText) {
  if (!macBuilt) buildMac(*this, samples);
  return findSlot(mac, macTextHash(macText), [&](std::int32_t s) {
           return sameMacText(textOf(samples[s].macText), macText);
         }) >= 0;
}

void SampleIndex::appended(const AddressList& samples, int index) {
  const AddressEntry& e = samples[index];
  if (ipBuilt) {
    const std::string_view ip = textOf(e.ipText);
    if (isPattern(ip))
      wildIp.push_back(makeWildcard(index, ip));
    else if (exactIp.needsGrowth(static_cast<std::size_t>(index)))
      buildIp(*this, samples);
    else
      insertFirst(exactIp, ipTextHash(ip), index,
                  [&](std::int32_t s) { return textOf(samples[s].ipText) == ip; });
  }
  if (macBuilt) {
    const std::string_view m = textOf(e.macText);
    if (mac.needsGrowth(static_cast<std::size_t>(index)))
      buildMac(*this, samples);
    else
      insertFirst(mac, macTextHash(m), index,
                  [&](std::int32_t s) { return sameMacText(textOf(samples[s].macText), m); });
  }
}
