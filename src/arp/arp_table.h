#pragma once
// Access to the machine's ARP table, over the platform's table calls.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/arp_platform.h"

struct AddressEntry;

// The ARP table as last read: a count word followed by 24-byte rows, as the platform lays
// it out. Reused from check to check and only ever grown. Main thread only.
struct ArpSnapshot {
  std::vector<std::uint8_t> bytes;
  bool exists() const { return !bytes.empty(); }
};

extern ArpSnapshot arpSnapshot;

inline constexpr std::uint32_t kArpSnapshotInitialBytes = 1540;  // the count and 64 rows
// A size above this is treated as an allocation failure.
inline constexpr std::uint64_t kArpSnapshotMaxBytes = 512u * 1024u * 1024u;

bool createArpSnapshot();  // 1540 bytes; false when it cannot be allocated
void freeArpSnapshot();

std::uint32_t arpRowCount(const ArpSnapshot& s);  // 0 for an absent buffer
ArpRow arpRowAt(const ArpSnapshot& s, std::uint32_t i);
void setArpRowAt(ArpSnapshot& s, std::uint32_t i, const ArpRow& row);
// The row as a list entry (IP, MAC and type texts, the rest zero). False for a row whose
// MAC is all zero, which no list shows.
bool arpRowEntry(const ArpRow& row, AddressEntry& e);

enum class ArpReadResult { Success, NoData, OutOfMemory, Failure };
struct ArpRead {
  ArpReadResult result;
  std::uint32_t error;  // the platform's code on Failure
};

// Offers the whole snapshot buffer (1540 bytes at first); on "insufficient buffer" grows to
// the size asked for plus room and asks once more. No data: the table is empty.
ArpRead readArpTable(bool sortFlag);
// Reads of this run that failed (or ran out of memory), on any thread, for those that must
// doubt a table.
extern std::atomic<std::uint64_t> arpReadFailures;
// The same read into bytes instead of the snapshot: any thread may read into a buffer that
// is its own.
ArpRead readArpTableInto(std::vector<std::uint8_t>& bytes, bool sortFlag);

// Removes the address's binding on every local adapter; refusals are ignored.
void deleteArpEntry(const char* ipText);
// Writes a static binding on the interface of the first local subnet that holds it,
// else on the first local address's interface. True on success; false, with nothing written,
// for a pair staticPairFault refuses.
bool setStaticArpEntry(const char* ipText, const char* macText);
// setStaticArpEntry with the text of its failure for a message or a journal line: empty on
// success, else "Ошибка добавления записи в ARP-кэш для <ip>" and, for a refused pair, why.
std::string addStaticEntry(const char* ipText, const char* macText);
