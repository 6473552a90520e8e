#pragma once
// The address record of every address list, its text forms, matching and orderings.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

struct AddressEntry {
  std::uint32_t ipValue;  // host order, first dotted number in the top byte; scan entries only
  char ipText[20];
  char macText[20];
  char typeText[4];  // "д" dynamic, "с" static, empty in samples and scan entries
  char hostName[64];
  std::int32_t probeState;  // scan entries: 0 not probed, 1 answered, -1 no answer
};

using AddressList = std::vector<AddressEntry>;

// Process-wide lists, owned by the main thread; a list's index is its view's row.
extern AddressList CacheList;
extern AddressList LastCacheList;
extern AddressList SampleList;
extern AddressList ScanResults;

inline constexpr const char* kTypeDynamic = "д";
inline constexpr const char* kTypeStatic = "с";
inline constexpr const char* kZeroMac = "00-00-00-00-00-00";

AddressEntry makeEntry();  // all bytes zero

// "%d.%d.%d.%d" as sscanf reads it; fewer than four numbers gives 0. Numbers are OR-ed unmasked.
std::uint32_t parseIpv4(const char* text);
std::uint32_t parseIpv4(std::string_view text);  // never reads past the view
// Address in network order (first dotted number at the lowest address) to "%d.%d.%d.%d".
void formatIpv4(std::uint32_t networkOrder, char (&out)[20]);
// Host-order value (first number in the top byte) to dotted text.
void formatIpv4Host(std::uint32_t hostOrder, char (&out)[20]);
// Six bytes to "xx-xx-xx-xx-xx-xx", lower case.
void formatMac(const std::uint8_t* bytes, char (&out)[20]);
// "%x-%x-%x-%x-%x-%x"; low eight bits of each number. Returns how many numbers were read;
// bytes that the text does not supply are left as the caller set them.
int parseMac(const char* text, std::uint8_t (&bytes)[6]);
int parseMac(std::string_view text, std::uint8_t (&bytes)[6]);

std::uint32_t hostToNetwork(std::uint32_t hostOrder);
std::uint32_t networkToHost(std::uint32_t networkOrder);

// Wildcard match with '*'; texts or patterns longer than kPatternMax characters never match.
constexpr std::size_t kPatternMax = 31;
bool matchPattern(std::string_view pattern, std::string_view text);
// The same with another bound: IPv6 texts are longer than any IPv4 or MAC text.
bool matchPattern(std::string_view pattern, std::string_view text, std::size_t maxLength);
inline constexpr std::size_t kPattern6Max = 63;
inline bool matchPattern(const char* pattern, const char* text) {
  return matchPattern(std::string_view(pattern), std::string_view(text));
}

// ipText, macText and typeText equal byte for byte.
bool sameBinding(const AddressEntry& a, const AddressEntry& b);

bool lessByIp(const AddressEntry& a, const AddressEntry& b);
bool lessByMac(const AddressEntry& a, const AddressEntry& b);
bool greaterByType(const AddressEntry& a, const AddressEntry& b);
bool lessByName(const AddressEntry& a, const AddressEntry& b);
