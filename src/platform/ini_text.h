#pragma once
// The text of an ini file as the profile calls of Windows treat it: sections and keys found
// case-insensitively, values trimmed, every line that is not written kept as it was.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct IniText {
  std::vector<std::string> lines;  // without their line ends
};

// Splits at LF, dropping a CR before it; a final line without a line end counts.
IniText parseIniText(std::string_view bytes);
// Every line followed by CR LF.
std::string iniTextBytes(const IniText& text);

// The value of the first such key in the first such section: trimmed, one pair of enclosing
// quotes removed. False when there is none.
bool iniFind(const IniText& text, std::string_view section, std::string_view key,
             std::string& value);
// Updates the key in place, or appends it after the section's last line that is not blank,
// or appends the section at the end. A value is cut at its first line break.
void iniSet(IniText& text, std::string_view section, std::string_view key, std::string_view value);

// The text a file holding `old` gets when every key is set in the section, in order. False
// when that text does not read back holding every given key with its value and at least the
// keys the old text held: such a text must never replace the file.
bool mergeIniKeys(std::string_view old, std::string_view section,
                  const std::vector<std::pair<std::string, std::string>>& keyValues,
                  std::string& merged);

// An optional sign and decimal digits, as far as they go; no digits gives 0. Wraps at
// 32 bits as the Windows reader does.
std::int32_t iniParseInt(std::string_view value);
