#include "base/external_text.h"

#include <cstring>

std::string cleanExternalText(std::string_view text) {
  std::string clean(text.substr(0, text.find_first_of("\r\n")));
  for (char& c : clean)
    if (isControlByte(static_cast<unsigned char>(c))) c = '?';
  return clean;
}

void cleanExternalText(char* text, std::size_t capacity) {
  if (!text || capacity == 0) return;
  for (std::size_t i = 0; i < capacity; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0) return;
    if (c == '\r' || c == '\n') {
      text[i] = 0;
      return;
    }
    if (isControlByte(c)) text[i] = '?';
  }
  text[capacity - 1] = 0;  // no terminator within the buffer: the last byte becomes one
}
