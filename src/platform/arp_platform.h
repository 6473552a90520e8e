#pragma once
// The ARP table as the platform gives it. Each backend documents its failure codes here.
//
// Windows: GetIpNetTable, SetIpNetEntry, DeleteIpNetEntry; results are Win32 error codes.
//   Under Wine 8 the two writes answer 0 without changing anything.
// Linux: rtnetlink neighbour table (IPv4); results are 0, 122, 232 or an errno value
//   (EPERM without CAP_NET_ADMIN, ENODEV for a vanished interface, ...).
#include <cstdint>

#include "platform/errors.h"

// One row, laid out as MIB_IPNETROW (24 bytes).
struct ArpRow {
  std::uint32_t index;        // interface index
  std::uint32_t physAddrLen;  // bytes of physAddr that are valid
  std::uint8_t physAddr[8];
  std::uint32_t addr;  // IPv4 address, network byte order
  std::uint32_t type;  // 4 static; every other value is dynamic
};
static_assert(sizeof(ArpRow) == 24, "ArpRow must keep the platform's row layout");

inline constexpr std::uint32_t kArpTypeOther = 1;
inline constexpr std::uint32_t kArpTypeInvalid = 2;
inline constexpr std::uint32_t kArpTypeDynamic = 3;
inline constexpr std::uint32_t kArpTypeStatic = 4;

namespace platform {

// Writes a 32-bit row count followed by the rows into buffer. *size holds the bytes
// offered; when they do not suffice the answer is kErrorInsufficientBuffer and *size the
// bytes needed. kErrorNoData: the table has no rows. sorted: rows ordered by address.
std::uint32_t getIpNetTable(void* buffer, std::uint32_t* size, bool sorted);
// Writes one row (interface, MAC, address, type); 0 on success.
std::uint32_t setIpNetEntry(const ArpRow& row);
// Deletes the row's address on the row's interface; 0 on success.
std::uint32_t deleteIpNetEntry(const ArpRow& row);

}  // namespace platform
