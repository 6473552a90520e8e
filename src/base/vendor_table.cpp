#include "base/vendor_table.h"

#include <algorithm>
#include <unordered_map>

#include "base/address_input.h"
#include "base/data_file.h"
#include "base/windows1251.h"

VendorTable MacVendors;

namespace {

constexpr int kPrefixBits[3] = {36, 28, 24};

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The next CSV field of line from at; a quoted field may hold commas and "" for a quote.
std::string nextField(std::string_view line, std::size_t& at) {
  std::string field;
  if (at < line.size() && line[at] == '"') {
    for (++at; at < line.size(); ++at) {
      if (line[at] != '"') {
        field += line[at];
      } else if (at + 1 < line.size() && line[at + 1] == '"') {
        field += '"';
        ++at;
      } else {
        ++at;
        break;
      }
    }
    while (at < line.size() && line[at] != ',') ++at;
  } else {
    const std::size_t comma = std::min(line.find(',', at), line.size());
    field.assign(line.substr(at, comma - at));
    at = comma;
  }
  if (at < line.size()) ++at;  // the comma
  return field;
}

std::string shownName(const std::string& utf8) {
  std::string name = windows1251FromUtf8(utf8);
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  const std::size_t first = name.find_first_not_of(' ');
  const std::size_t last = name.find_last_not_of(' ');
  name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
  if (name.size() > kVendorNameMax) name.resize(kVendorNameMax);
  return name;
}

void addVendorRow(VendorTable& table, std::string_view line) {
  std::size_t at = 0;
  nextField(line, at);  // the registry: the assignment's length says the same
  const std::string assignment = nextField(line, at);
  const std::string name = shownName(nextField(line, at));
  int slot = -1;
  for (int s = 0; s < 3; ++s)
    if (assignment.size() * 4 == static_cast<std::size_t>(kPrefixBits[s])) slot = s;
  if (slot < 0 || name.empty()) return;
  std::uint64_t prefix = 0;
  for (const char c : assignment) {
    const int v = hexValue(c);
    if (v < 0) return;
    prefix = prefix << 4 | static_cast<std::uint64_t>(v);
  }
  table.blocks[slot].push_back({prefix, static_cast<std::uint32_t>(table.names.size()),
                                static_cast<std::uint32_t>(name.size())});
  table.names += name;
}

}  // namespace

void addVendorRows(VendorTable& table, std::string_view csvText) {
  while (!csvText.empty()) {
    const std::size_t end = std::min(csvText.find('\n'), csvText.size());
    std::string_view line = csvText.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    addVendorRow(table, line);
    csvText.remove_prefix(std::min(end + 1, csvText.size()));
  }
  table.loaded = true;
}

void finishVendorTable(VendorTable& table) {
  // Each name once: "Private" alone stands for thousands of blocks.
  std::string names;
  std::unordered_map<std::string_view, std::uint32_t> seen;
  for (auto& list : table.blocks) {
    // Stable: of two rows with one prefix the first stays.
    std::stable_sort(list.begin(), list.end(), [](const VendorBlock& a, const VendorBlock& b) {
      return a.prefix < b.prefix;
    });
    list.erase(std::unique(
                   list.begin(), list.end(),
                   [](const VendorBlock& a, const VendorBlock& b) { return a.prefix == b.prefix; }),
               list.end());
    list.shrink_to_fit();
  }
  std::vector<std::uint32_t> newAt;
  for (auto& list : table.blocks)
    for (VendorBlock& b : list) {
      const std::string_view name(table.names.data() + b.nameAt, b.nameLength);
      auto [it, fresh] = seen.try_emplace(name, static_cast<std::uint32_t>(names.size()));
      if (fresh) names += name;
      b.nameAt = it->second;
    }
  table.names = std::move(names);
  table.names.shrink_to_fit();
}

bool loadVendorTable(VendorTable& table, const std::string& directory,
                     std::vector<std::string>* cutFiles) {
  static constexpr const char* kFiles[] = {"oui.csv", "mam.csv", "oui36.csv", "iab.csv"};
  bool any = false;
  std::vector<char> line(1026);
  for (const char* name : kFiles) {
    const std::string path = directory + "/" + name;
    LineReader reader;
    if (openDataFile(path.c_str(), reader.file) != DataFileOpen::Opened) continue;
    std::size_t length = 0, lines = 0;
    while (readLine(reader, line.data(), 1023, length) == LineResult::Line) {
      addVendorRow(table, lineText(line.data(), length));
      if (++lines < kVendorFileLinesMax) continue;
      if (cutFiles) cutFiles->push_back(name);
      break;
    }
    std::fclose(reader.file);
    any = true;
  }
  finishVendorTable(table);
  if (any) table.loaded = true;
  return any;
}

std::string_view vendorOf(const VendorTable& table, std::string_view macText) {
  std::uint8_t bytes[6];
  if (!table.loaded || !readMacText(macText, bytes)) return {};
  std::uint64_t mac = 0;
  for (const std::uint8_t b : bytes) mac = mac << 8 | b;
  if ((mac >> 40) & 0x02) return kLocallyAdministered;
  for (int s = 0; s < 3; ++s) {
    const std::uint64_t prefix = mac >> (48 - kPrefixBits[s]);
    const auto& list = table.blocks[s];
    const auto it =
        std::lower_bound(list.begin(), list.end(), prefix,
                         [](const VendorBlock& b, std::uint64_t p) { return b.prefix < p; });
    if (it != list.end() && it->prefix == prefix)
      return std::string_view(table.names.data() + it->nameAt, it->nameLength);
  }
  return {};
}

std::string_view macVendor(std::string_view macText) { return vendorOf(MacVendors, macText); }
