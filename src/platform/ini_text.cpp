#include "platform/ini_text.h"

#include <cstddef>
#include <utility>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// A section header's name, or false for another kind of line.
bool sectionName(std::string_view line, std::string_view& name) {
  line = trim(line);
  if (line.empty() || line.front() != '[') return false;
  line.remove_prefix(1);
  std::size_t close = line.find(']');
  name = trim(close == std::string_view::npos ? line : line.substr(0, close));
  return true;
}

// A key line's name and raw value; comments and blank lines are no keys. A line without '='
// is a key without a value.
bool keyLine(std::string_view line, std::string_view& key, std::string_view& value) {
  line = trim(line);
  if (line.empty() || line.front() == ';' || line.front() == '[') return false;
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    key = line;
    value = {};
  } else {
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
  }
  return !key.empty();
}

struct SectionRange {
  std::size_t header = 0;  // index of the header line
  std::size_t end = 0;     // one past the section's last line
};

bool findSection(const IniText& text, std::string_view section, SectionRange& range) {
  const std::size_t n = text.lines.size();
  for (std::size_t i = 0; i < n; ++i) {
    std::string_view name;
    if (!sectionName(text.lines[i], name) || !sameName(name, section)) continue;
    std::size_t end = i + 1;
    std::string_view other;
    while (end < n && !sectionName(text.lines[end], other)) ++end;
    range = {i, end};
    return true;
  }
  return false;
}

}  // namespace

IniText parseIniText(std::string_view bytes) {
  IniText text;
  while (!bytes.empty()) {
    std::size_t lf = bytes.find('\n');
    std::string_view line = bytes.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    text.lines.emplace_back(line);
    if (lf == std::string_view::npos) break;
    bytes.remove_prefix(lf + 1);
  }
  return text;
}

std::string iniTextBytes(const IniText& text) {
  std::string out;
  for (const std::string& line : text.lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

bool iniFind(const IniText& text, std::string_view section, std::string_view key,
             std::string& value) {
  SectionRange range;
  if (!findSection(text, section, range)) return false;
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    std::string_view k, v;
    if (!keyLine(text.lines[i], k, v) || !sameName(k, key)) continue;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    value.assign(v);
    return true;
  }
  return false;
}

void iniSet(IniText& text, std::string_view section, std::string_view key, std::string_view value) {
  // A line break in a value would smuggle further lines into the file.
  value = value.substr(0, value.find_first_of("\r\n"));
  SectionRange range;
  if (!findSection(text, section, range)) {
    std::string header(1, '[');  // appended, not added up: g++ 12 misreads the sum (-Wrestrict)
    header.append(section);
    header += ']';
    text.lines.push_back(std::move(header));
    text.lines.push_back(std::string(key) + "=" + std::string(value));
    return;
  }
  std::size_t last = range.header;
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    std::string_view k, v;
    if (keyLine(text.lines[i], k, v) && sameName(k, key)) {
      text.lines[i] = std::string(k) + "=" + std::string(value);
      return;
    }
    if (!trim(text.lines[i]).empty()) last = i;
  }
  text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(last + 1),
                    std::string(key) + "=" + std::string(value));
}

namespace {

std::size_t keyCount(const IniText& text) {
  std::size_t n = 0;
  std::string_view k, v, name;
  for (const std::string& line : text.lines)
    if (!sectionName(line, name) && keyLine(line, k, v)) ++n;
  return n;
}

}  // namespace

bool mergeIniKeys(std::string_view old, std::string_view section,
                  const std::vector<std::pair<std::string, std::string>>& keyValues,
                  std::string& merged) {
  const IniText before = parseIniText(old);
  IniText text = before;
  for (const auto& [key, value] : keyValues) iniSet(text, section, key, value);
  merged = iniTextBytes(text);
  const IniText back = parseIniText(merged);
  if (keyCount(back) < keyCount(before)) return false;
  for (const auto& [key, value] : keyValues) {
    std::string wanted, found;
    if (!iniFind(text, section, key, wanted) || !iniFind(back, section, key, found) ||
        found != wanted)
      return false;
  }
  return true;
}

std::int32_t iniParseInt(std::string_view value) {
  value = trim(value);
  bool negative = false;
  if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
    negative = value.front() == '-';
    value.remove_prefix(1);
  }
  std::uint32_t n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') break;
    n = n * 10u + static_cast<std::uint32_t>(c - '0');
  }
  if (negative) n = 0u - n;
  return static_cast<std::int32_t>(n);
}
