#pragma once
// The ARP table as the platform gives it. Each backend documents its failure codes here.
//
// Windows: GetIpNetTable, SetIpNetEntry, DeleteIpNetEntry; results are Win32 error codes.
//   Under Wine 8 the two writes answer 0 without changing anything.
// Linux: rtnetlink neighbour table (IPv4); results are 0, 122, 232 or an errno value.
//   getIpNetTable: EAGAIN when the table changed during each of its attempts to read it
//     whole (the kernel's walk of the table can skip or repeat rows that a change moves),
//     EINTR/ENOBUFS likewise for an interrupted or overflowing dump, EINVAL for a null size,
//     socket errors (EMFILE, ENOMEM, ...). A row's type: 4 for NUD_PERMANENT bindings, 1 for
//     NUD_NOARP ones (made by the kernel: loopback, multicast), 3 for every other state; a binding
//     without a link-layer address (incomplete, failed) has physAddrLen 0 and an all-zero MAC; a
//     longer address is cut to 8 bytes.
//   setIpNetEntry: RTM_NEWNEIGH create-or-replace, NUD_PERMANENT for type 4, else
//     NUD_REACHABLE. EPERM without CAP_NET_ADMIN, ENODEV for an unknown interface, EINVAL for
//     a MAC length of 0, above 8, or shorter than the device's address.
//   deleteIpNetEntry: ENOENT when the interface holds no such binding, EPERM, ENODEV.
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
