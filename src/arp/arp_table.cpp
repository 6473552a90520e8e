#include "arp/arp_table.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <stdexcept>

#include "base/address.h"
#include "base/address_input.h"
#include "base/text_field.h"
#include "route/adapters.h"

ArpSnapshot arpSnapshot;

namespace {

constexpr std::size_t kCountBytes = 4;
constexpr std::size_t kRowBytes = sizeof(ArpRow);

// Resizes without letting an allocation failure escape; false when it failed.
bool resizeBuffer(std::vector<std::uint8_t>& bytes, std::size_t size) {
  try {
    bytes.resize(size);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
}

// Room for rows that join between two reads: an eighth more, and at least 64 rows.
std::size_t withRoom(std::uint32_t needed) {
  return std::size_t{needed} + std::max<std::size_t>(needed / 8, 64 * kRowBytes);
}

std::uint32_t offerSize(const std::vector<std::uint8_t>& bytes) {
  return static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size(), UINT32_MAX));
}

void storeCount(std::vector<std::uint8_t>& bytes, std::uint32_t n) {
  if (bytes.size() >= kCountBytes) std::memcpy(bytes.data(), &n, kCountBytes);
}

}  // namespace

bool createArpSnapshot() { return resizeBuffer(arpSnapshot.bytes, kArpSnapshotInitialBytes); }

void freeArpSnapshot() { std::vector<std::uint8_t>().swap(arpSnapshot.bytes); }

std::uint32_t arpRowCount(const ArpSnapshot& s) {
  if (s.bytes.size() < kCountBytes) return 0;
  std::uint32_t n;
  std::memcpy(&n, s.bytes.data(), kCountBytes);
  // A count beyond the buffer is never believed.
  const std::size_t fit = (s.bytes.size() - kCountBytes) / kRowBytes;
  return n > fit ? static_cast<std::uint32_t>(fit) : n;
}

ArpRow arpRowAt(const ArpSnapshot& s, std::uint32_t i) {
  ArpRow row{};
  if (i < arpRowCount(s))
    std::memcpy(&row, s.bytes.data() + kCountBytes + i * kRowBytes, kRowBytes);
  return row;
}

void setArpRowAt(ArpSnapshot& s, std::uint32_t i, const ArpRow& row) {
  if (i < arpRowCount(s))
    std::memcpy(s.bytes.data() + kCountBytes + i * kRowBytes, &row, kRowBytes);
}

bool arpRowEntry(const ArpRow& row, AddressEntry& e) {
  static constexpr std::uint8_t kNoMac[6] = {};
  if (std::memcmp(row.physAddr, kNoMac, 6) == 0) return false;
  e = makeEntry();
  formatMac(row.physAddr, e.macText);
  formatIpv4(row.addr, e.ipText);
  copyField(e.typeText, row.type == kArpTypeStatic ? kTypeStatic : kTypeDynamic);
  return true;
}

std::atomic<std::uint64_t> arpReadFailures{0};

namespace {

ArpRead readTableOnce(std::vector<std::uint8_t>& bytes, bool sortFlag) {
  if (bytes.size() < kArpSnapshotInitialBytes && !resizeBuffer(bytes, kArpSnapshotInitialBytes))
    return {ArpReadResult::OutOfMemory, 0};

  // The whole buffer is offered: it holds what the last read needed and some room, so a
  // table that did not grow past that is read with one call.
  std::uint32_t size = offerSize(bytes);
  std::uint32_t r = platform::getIpNetTable(bytes.data(), &size, sortFlag);
  if (r == kErrorInsufficientBuffer) {
    if (size > kArpSnapshotMaxBytes) return {ArpReadResult::OutOfMemory, 0};
    const std::size_t wanted = withRoom(size);
    if (wanted > bytes.size() && !resizeBuffer(bytes, wanted))
      return {ArpReadResult::OutOfMemory, 0};
    size = offerSize(bytes);
    r = platform::getIpNetTable(bytes.data(), &size, sortFlag);
  }
  if (r == kErrorNoData) {
    storeCount(bytes, 0);
    return {ArpReadResult::NoData, 0};
  }
  if (r != kOk) return {ArpReadResult::Failure, r};
  return {ArpReadResult::Success, 0};
}

}  // namespace

ArpRead readArpTable(bool sortFlag) { return readArpTableInto(arpSnapshot.bytes, sortFlag); }

ArpRead readArpTableInto(std::vector<std::uint8_t>& bytes, bool sortFlag) {
  const ArpRead read = readTableOnce(bytes, sortFlag);
  if (read.result == ArpReadResult::Failure || read.result == ArpReadResult::OutOfMemory)
    ++arpReadFailures;
  return read;
}

void deleteArpEntry(const char* ipText) {
  ArpRow row{};
  row.addr = hostToNetwork(parseIpv4(ipText));
  for (const LocalAdapter& adapter : LocalAdapterList) {
    row.index = static_cast<std::uint32_t>(adapter.index);
    platform::deleteIpNetEntry(row);
  }
}

bool setStaticArpEntry(const char* ipText, const char* macText) {
  ArpRow row{};
  row.physAddrLen = 6;
  // Only a real pair reaches the table: no pattern, no zero, broadcast or multicast MAC,
  // no address that is not one host's.
  std::uint8_t mac[6];
  std::uint32_t v;
  if (!ipText || !macText || !readMacText(macText, mac) || !isUnicastMac(mac) ||
      !readIpv4Text(ipText, v) || !isUnicastIpv4(v))
    return false;
  std::memcpy(row.physAddr, mac, 6);
  row.addr = hostToNetwork(v);
  row.type = kArpTypeStatic;

  for (const LocalAddress& r : LocalAddressList) {
    if ((v & r.mask) != (r.address & r.mask)) continue;
    row.index = static_cast<std::uint32_t>(r.index);
    if (platform::setIpNetEntry(row) != kOk) return false;
    if (r.index != 0) return true;
    break;  // interface 0 is no real interface: fall back to the first address's
  }
  if (LocalAddressList.empty()) return false;
  row.index = static_cast<std::uint32_t>(LocalAddressList.front().index);
  return platform::setIpNetEntry(row) == kOk;
}

std::string addStaticEntry(const char* ipText, const char* macText) {
  const std::string_view ip = ipText ? ipText : "", mac = macText ? macText : "";
  const std::string fault = staticPairFault(ip, mac);
  if (fault.empty() && setStaticArpEntry(ipText, macText)) return {};
  std::string text = "Ошибка добавления записи в ARP-кэш для " + std::string(ip);
  if (!fault.empty()) text += ": " + fault;
  return text;
}
