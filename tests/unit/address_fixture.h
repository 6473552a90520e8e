#pragma once
// Address records made from their texts, for tests and benchmarks.
#include <string_view>

#include "base/address.h"
#include "base/text_field.h"

// Every byte not given is zero; each text is cut to its field as the program cuts it.
inline AddressEntry addressEntry(std::string_view ip, std::string_view mac,
                                 std::string_view type = {}, std::string_view name = {}) {
  AddressEntry e = makeEntry();
  copyField(e.ipText, ip);
  copyField(e.macText, mac);
  copyField(e.typeText, type);
  copyField(e.hostName, name);
  return e;
}
