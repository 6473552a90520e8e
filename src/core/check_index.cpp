#include "core/check_index.h"

#include <algorithm>
#include <cstring>

#include "core/text_field.h"

namespace {

constexpr std::uint64_t kMul = 0x9e3779b97f4a7c15ull;

std::uint64_t mix(std::uint64_t h) {
  h ^= h >> 31;
  h *= 0xbf58476d1ce4e5b9ull;
  return h ^ (h >> 29);
}

std::size_t homeSlot(const IndexSlots& t, std::uint64_t hash) {
  return static_cast<std::size_t>(hash) & (t.slots.size() - 1);
}

// Keeps the index already present for an equal key, so inserting in ascending order
// leaves the first index of each key.
template <class Equal>
void insertFirst(IndexSlots& t, std::uint64_t hash, std::int32_t index, Equal equal) {
  const std::size_t mask = t.slots.size() - 1;
  for (std::size_t i = homeSlot(t, hash);; i = (i + 1) & mask) {
    if (t.slots[i] < 0) {
      t.slots[i] = index;
      ++t.used;
      return;
    }
    if (equal(t.slots[i])) return;
  }
}

template <class Equal>
int findSlot(const IndexSlots& t, std::uint64_t hash, Equal equal) {
  if (t.slots.empty()) return -1;
  const std::size_t mask = t.slots.size() - 1;
  for (std::size_t i = homeSlot(t, hash);; i = (i + 1) & mask) {
    if (t.slots[i] < 0) return -1;
    if (equal(t.slots[i])) return t.slots[i];
  }
}

std::uint64_t bindingHash(const AddressEntry& e) {
  std::uint64_t h = hashText(fieldView(e.ipText), 1);
  h = hashText(fieldView(e.macText), h);
  return hashText(fieldView(e.typeText), h);
}

bool isPattern(std::string_view text) { return text.find('*') != std::string_view::npos; }

void buildIp(SampleIndex& x, const AddressList& samples) {
  x.exactIp.reset(samples.size());
  x.wildIp.clear();
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const std::string_view ip = fieldView(samples[i].ipText);
    const auto index = static_cast<std::int32_t>(i);
    if (isPattern(ip))
      x.wildIp.push_back(index);
    else
      insertFirst(x.exactIp, hashText(ip, 2), index,
                  [&](std::int32_t s) { return fieldView(samples[s].ipText) == ip; });
  }
  x.ipBuilt = true;
}

void buildMac(SampleIndex& x, const AddressList& samples) {
  x.mac.reset(samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const std::string_view mac = fieldView(samples[i].macText);
    insertFirst(x.mac, hashText(mac, 3), static_cast<std::int32_t>(i),
                [&](std::int32_t s) { return fieldView(samples[s].macText) == mac; });
  }
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

void IndexSlots::reset(std::size_t expected) {
  std::size_t size = 16;
  while (size < expected * 2 + 2) size *= 2;
  slots.assign(size, -1);
  used = 0;
}

void BindingIndex::build(const AddressList& list) {
  table.reset(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    const AddressEntry& e = list[i];
    insertFirst(table, bindingHash(e), static_cast<std::int32_t>(i),
                [&](std::int32_t s) { return sameBinding(list[s], e); });
  }
  builtData = list.data();
  builtSize = list.size();
  valid = true;
}

bool BindingIndex::builtFor(const AddressList& list) const {
  return valid && builtData == list.data() && builtSize == list.size();
}

int BindingIndex::find(const AddressList& list, const AddressEntry& e) const {
  return findSlot(table, bindingHash(e), [&](std::int32_t s) { return sameBinding(list[s], e); });
}

int SampleIndex::firstIpMatch(const AddressList& samples, std::string_view ipText) {
  if (!ipBuilt) buildIp(*this, samples);
  int hit = findSlot(exactIp, hashText(ipText, 2),
                     [&](std::int32_t s) { return fieldView(samples[s].ipText) == ipText; });
  // An exact text matches only itself, so just the patterns in front of it can win.
  const std::int32_t limit = hit < 0 ? INT32_MAX : hit;
  for (std::int32_t w : wildIp) {
    if (w >= limit) break;
    if (matchPattern(fieldView(samples[w].ipText), ipText)) return w;
  }
  return hit;
}

bool SampleIndex::hasMac(const AddressList& samples, std::string_view macText) {
  if (!macBuilt) buildMac(*this, samples);
  return findSlot(mac, hashText(macText, 3),
                  [&](std::int32_t s) { return fieldView(samples[s].macText) == macText; }) >= 0;
}

void SampleIndex::appended(const AddressList& samples, int index) {
  const AddressEntry& e = samples[index];
  if (ipBuilt) {
    const std::string_view ip = fieldView(e.ipText);
    if (isPattern(ip))
      wildIp.push_back(index);
    else if (exactIp.needsGrowth())
      buildIp(*this, samples);
    else
      insertFirst(exactIp, hashText(ip, 2), index,
                  [&](std::int32_t s) { return fieldView(samples[s].ipText) == ip; });
  }
  if (macBuilt) {
    const std::string_view m = fieldView(e.macText);
    if (mac.needsGrowth())
      buildMac(*this, samples);
    else
      insertFirst(mac, hashText(m, 3), index,
                  [&](std::int32_t s) { return fieldView(samples[s].macText) == m; });
  }
}
