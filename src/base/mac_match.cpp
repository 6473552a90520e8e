#include "base/mac_match.h"

#include <cstdint>
#include <cstring>

#include "base/address.h"
#include "base/address_input.h"
#include "base/text_field.h"

namespace {

// The MAC in the form a pattern is written in: its separator (- : .) or bare digits.
void formatMacAs(const std::uint8_t (&b)[6], char separator, char (&out)[20]) {
  char hyphens[20];
  formatMac(b, hyphens);  // xx-xx-xx-xx-xx-xx
  std::size_t n = 0;
  for (int i = 0; i < 6; ++i) {
    const bool between = i > 0 && (separator == '.' ? i % 2 == 0 : separator != 0);
    if (between) out[n++] = separator;
    out[n++] = hyphens[3 * i];
    out[n++] = hyphens[3 * i + 1];
  }
  out[n] = 0;
}

}  // namespace

bool matchMacPattern(std::string_view pattern, std::string_view text) {
  if (pattern.find('*') == std::string_view::npos) return sameMacText(pattern, text);
  if (pattern.size() > kPatternMax || text.size() > kPatternMax) return false;
  // A pattern keeps its meaning whatever form the text is in: the MAC is written the way the
  // pattern is (hyphens, colons, dotted groups of four or bare digits) before they are held
  // together.
  const std::size_t at = pattern.find_first_of("-:.");
  const char separator = at == std::string_view::npos ? 0 : pattern[at];
  const bool tableForm = text.size() == 17 && text[2] == '-' && text[14] == '-';
  char written[20];
  std::uint8_t mac[6];
  if (!(separator == '-' && tableForm) && readMacText(text, mac)) {
    formatMacAs(mac, separator, written);
    text = fieldView(written);
  }
  char p[kPatternMax], t[kPatternMax];
  for (std::size_t i = 0; i < pattern.size(); ++i) p[i] = macFold(pattern[i]);
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
