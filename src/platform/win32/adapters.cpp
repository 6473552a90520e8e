// The local adapters as GetAdaptersInfo lists them, each with its IPv4 address chain.

// The socket header must come before <windows.h>.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/adapter_platform.h"
#include "platform/errors.h"

namespace {

// The system's fixed text fields are terminated, but never read past them anyway.
template <std::size_t N>
std::string fieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

}  // namespace

namespace platform {

std::uint32_t getAdapters(std::vector<PlatformAdapter>& out) {
  out.clear();
  ULONG size = 0;
  DWORD result = GetAdaptersInfo(nullptr, &size);
  if (result != ERROR_BUFFER_OVERFLOW) return result == 0 ? kErrorNoData : result;

  // 8-byte words: the adapter records hold 64-bit fields.
  std::vector<std::uint64_t> words;
  try {
    words.resize((size + 7) / 8);
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  auto* first = reinterpret_cast<IP_ADAPTER_INFO*>(words.data());
  result = GetAdaptersInfo(first, &size);
  if (result != 0) return result;

  std::vector<PlatformAdapter> adapters;
  for (const IP_ADAPTER_INFO* a = first; a; a = a->Next) {
    PlatformAdapter pa;
    pa.index = static_cast<std::int32_t>(a->Index);
    pa.name = fieldText(a->AdapterName);
    pa.description = fieldText(a->Description);
    pa.macLength = a->AddressLength;
    std::memcpy(pa.mac, a->Address, sizeof pa.mac);
    // The chain always has a first entry; an adapter without IPv4 shows 0.0.0.0 there.
    for (const IP_ADDR_STRING* s = &a->IpAddressList; s; s = s->Next)
      pa.addresses.push_back({fieldText(s->IpAddress.String), fieldText(s->IpMask.String)});
    adapters.push_back(std::move(pa));
  }
  out = std::move(adapters);
  return 0;
}

}  // namespace platform
