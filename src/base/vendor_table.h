#pragma once
// Who made a network card: the IEEE's registry of MAC address blocks as Debian's ieee-data
// ships it (oui.csv MA-L 24-bit, mam.csv MA-M 28-bit, oui36.csv MA-S and iab.csv IAB 36-bit
// prefixes), loaded once and looked up longest prefix first.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kLocallyAdministered = "(locally administered)";
// Longer names are cut: a vendor is a column, not a document.
inline constexpr std::size_t kVendorNameMax = 127;

struct VendorBlock {
  std::uint64_t prefix;  // the block's first bits, right-aligned
  std::uint32_t nameAt;  // into VendorTable::names
  std::uint32_t nameLength;
};

struct VendorTable {
  // 36-, 28- and 24-bit blocks, each sorted by prefix; a prefix given twice keeps its first name.
  std::vector<VendorBlock> blocks[3];
  std::string names;    // Windows-1251, each name once
  bool loaded = false;  // at least one registry file (or text) was read
};

// Adds the rows of one registry file's text (CSV: Registry,Assignment,Organization Name,...;
// quoted fields with "" inside). Rows whose assignment is not 6, 7 or 9 hex digits are skipped.
// Names are UTF-8 in the file, Windows-1251 here, with '?' for what it cannot hold or a
// control character. Call finishVendorTable after the last file.
void addVendorRows(VendorTable& table, std::string_view csvText);
void finishVendorTable(VendorTable& table);

// The real files hold some 38,000 rows (oui.csv) or fewer each; a file is read up to this
// many lines (each cut at 1,023 characters), so a huge one costs a bounded start.
inline constexpr std::size_t kVendorFileLinesMax = 100000;

// Reads oui.csv, mam.csv, oui36.csv and iab.csv from directory (a missing or unreadable file
// adds nothing); true when any was read. The names of files cut at kVendorFileLinesMax go
// to cutFiles.
bool loadVendorTable(VendorTable& table, const std::string& directory,
                     std::vector<std::string>* cutFiles = nullptr);

// The vendor of a MAC text (12 hex digits, with or without '-' or ':' between the bytes):
// kLocallyAdministered for a locally administered address (bit 1 of the first byte), the name
// of the longest block holding it, or empty (unknown, not a MAC, or no table loaded).
std::string_view vendorOf(const VendorTable& table, std::string_view macText);

// The process's table: loaded at start by a front end that shows vendors, read-only after.
extern VendorTable MacVendors;
std::string_view macVendor(std::string_view macText);
