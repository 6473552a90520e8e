#pragma once
// What the samples and the run so far say about a router or server the IPv6 watch meets, and
// the text pieces its lines share.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/address6.h"

// The sample of samples6.dat that names the address (canonical text), -1 for none; fits is
// set when its MAC fits macText or says nothing (the address alone is known).
struct SampleVerdict6 {
  int index = -1;
  bool fits = false;
};
SampleVerdict6 judgeBySample6(std::string_view ipText, std::string_view macText);
// Whether a sample of either list names the address (IPv4 dotted or canonical IPv6 text).
bool sampleNamesAddress(std::string_view ipText);

// Keys for the bounded memories, mixed with a per-run seed: of bytes, of an address and a
// MAC, of a text.
std::uint64_t runKey(const std::uint8_t* bytes, std::size_t count);
std::uint64_t addressMacKey(const std::uint8_t (&address)[16], const std::uint8_t (&mac)[6]);
std::uint64_t textKey(std::string_view text);

Ipv6Address ipv6From(const std::uint8_t (&bytes)[16]);
std::string ipv6Text(const std::uint8_t (&bytes)[16]);
std::string macText(const std::uint8_t (&mac)[6]);
// The interface as the wire watch's lines name it: the adapter's name, else its index.
std::string interfaceText(std::uint32_t ifIndex);
// Appends "D1, D2" (at most kHeardListMax, and no more than count).
void appendAddressList(std::string& out, const std::uint8_t (*addresses)[16], std::size_t count);
