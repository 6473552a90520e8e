// The ARP table over IP Helper. Results are the system's own codes, passed through.

// The socket header must come before <windows.h>.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

#include <cstddef>
#include <cstring>

#include "platform/arp_platform.h"

static_assert(sizeof(ULONG) == sizeof(std::uint32_t));
static_assert(sizeof(MIB_IPNETROW) == sizeof(ArpRow));
static_assert(offsetof(MIB_IPNETTABLE, table) == 4, "the row count is one 32-bit word");

namespace {

MIB_IPNETROW toSystemRow(const ArpRow& row) {
  MIB_IPNETROW r{};
  r.dwIndex = row.index;
  r.dwPhysAddrLen = row.physAddrLen;
  std::memcpy(r.bPhysAddr, row.physAddr, sizeof r.bPhysAddr);
  r.dwAddr = row.addr;
  r.dwType = row.type;
  return r;
}

}  // namespace

namespace platform {

std::uint32_t getIpNetTable(void* buffer, std::uint32_t* size, bool sorted) {
  ULONG bytes = *size;
  const DWORD result =
      GetIpNetTable(static_cast<MIB_IPNETTABLE*>(buffer), &bytes, sorted ? TRUE : FALSE);
  *size = bytes;
  return result;
}

std::uint32_t setIpNetEntry(const ArpRow& row) {
  MIB_IPNETROW r = toSystemRow(row);
  return SetIpNetEntry(&r);
}

std::uint32_t deleteIpNetEntry(const ArpRow& row) {
  MIB_IPNETROW r = toSystemRow(row);
  return DeleteIpNetEntry(&r);
}

}  // namespace platform
