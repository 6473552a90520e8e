#include "app/linux/commands/settings_input.h"

#include "app/linux/console/console_locale.h"

TypedAssignment assignmentFromConsole(std::string_view typed, const std::string& charset) {
  TypedAssignment r;
  const std::size_t equals = typed.find('=');
  // Without '=' the edit refuses it by name; the key alone is what it shows.
  std::string key(equals == std::string_view::npos ? typed : typed.substr(0, equals));
  // The key is shown: nothing of it may reach the terminal as a control sequence.
  for (char& c : key)
    if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7E) c = '?';
  std::string plain;
  if (!toWindows1251(typed, charset, plain)) {
    r.error = "the value of " + key + " holds a character Windows-1251 cannot hold (or is not " +
              charset + " text)";
    return r;
  }
  for (const char c : plain) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      r.error = "the value of " + key + " holds a control character";
      return r;
    }
  }
  r.text = std::move(plain);
  return r;
}
