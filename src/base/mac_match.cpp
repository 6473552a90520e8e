#include "base/mac_match.h"

#include <cstdint>
#include <cstring>

#include "base/address.h"
#include "base/address_input.h"
#include "base/text_field.h"

bool matchMacPattern(std::string_view pattern, std::string_view text) {
  if (pattern.find('*') == std::string_view::npos) return sameMacText(pattern, text);
  if (pattern.size() > kPatternMax || text.size() > kPatternMax) return false;
  // A pattern keeps its meaning against the table's form of the MAC, whatever form the
  // text is in; colons stand for the table's hyphens.
  char canonical[20];
  const bool tableForm = text.size() == 17 && text[2] == '-' && text[14] == '-';
  if (!tableForm && canonicalMacText(text, canonical)) text = fieldView(canonical);
  char p[kPatternMax], t[kPatternMax];
  for (std::size_t i = 0; i < pattern.size(); ++i)
    p[i] = pattern[i] == ':' ? '-' : macFold(pattern[i]);
  for (std::size_t i = 0; i < text.size(); ++i) t[i] = macFold(text[i]);
  return matchPattern(std::string_view(p, pattern.size()), std::string_view(t, text.size()));
}

bool sameMacText(std::string_view a, std::string_view b) {
  // Texts equal but for the case of their hex digits are one MAC, or one text that is none.
  if (a.size() == b.size()) {
    std::size_t i = 0;
    while (i < a.size() && macFold(a[i]) == macFold(b[i])) ++i;
    if (i == a.size()) return true;
  }
  std::uint8_t x[6], y[6];
  const bool macA = readMacText(a, x), macB = readMacText(b, y);
  return macA && macB && std::memcmp(x, y, 6) == 0;
}
