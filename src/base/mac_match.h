#pragma once
#include <string_view>

// MAC texts and patterns as users write them: any form readMacText reads is the same six
// bytes, and other texts compare with the hex digits A to F in either case. The texts stay
// as written; only the comparisons fold them. Every MAC comparison goes here.
bool matchMacPattern(std::string_view pattern, std::string_view text);
bool sameMacText(std::string_view a, std::string_view b);
// The byte that sameMacText compares for c.
inline char macFold(char c) {
  return c >= 'A' && c <= 'F' ? static_cast<char>(c + ('a' - 'A')) : c;
}
