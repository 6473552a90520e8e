#pragma once
// A scripted platform for the logic's tests: serves ARP, adapter, route and probe tables,
// an in-memory profile store and clock, and records every write and delete.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/adapter_platform.h"
#include "platform/arp_platform.h"
#include "platform/neighbour6_platform.h"
#include "platform/probe_platform.h"
#include "platform/route_platform.h"
#include "platform/system_platform.h"

struct FakePlatform {
  // ARP table. arpError non-zero: getIpNetTable answers it. arpAskBytes non-zero: the size
  // reported on "insufficient buffer" (to provoke an allocation failure).
  std::vector<ArpRow> arpRows;
  std::uint32_t arpError = 0;
  std::uint32_t arpAskBytes = 0;
  int arpCalls = 0;
  std::vector<bool> arpSortedFlags;
  std::vector<std::uint32_t> arpOfferedSizes;  // *size at each call of getIpNetTable
  std::uint32_t setEntryResult = 0;            // answer of setIpNetEntry
  std::vector<ArpRow> setEntries;              // every write, in order
  std::vector<ArpRow> deletedEntries;
  bool applyWrites = false;  // writes change arpRows as a kernel would

  std::vector<PlatformAdapter> adapters;
  std::uint32_t adaptersError = 0;

  std::vector<RouteRow> routes;
  std::uint32_t routesError = 0;
  int routeTableReads = 0;  // calls of getIpForwardTable
  std::vector<IpAddrRow> addrRows;
  std::uint32_t addrError = 0;
  std::vector<std::uint32_t> routeNotifications;  // answers of notifyRouteChange, in order
  std::uint32_t lastError = 0;
  std::vector<RouteRow> deletedRoutes;
  std::uint32_t deleteRouteResult = 0;
  std::vector<std::string> addedRoutes;  // command lines
  bool addRouteStarts = true;
  RouteCommandFailure addRouteFailure;  // what a started command answers

  // IPv6 tables: an error non-zero is answered instead of the rows.
  std::vector<Neighbour6Row> neighbours6;
  std::uint32_t neighbours6Error = 0;
  int neighbours6Reads = 0;
  std::vector<Neighbour6Row> setNeighbours6;  // every write, in order
  std::uint32_t setNeighbour6Result = 0;
  std::vector<Address6Row> addresses6;
  std::uint32_t addresses6Error = 0;
  std::vector<Route6Row> routes6;
  std::uint32_t routes6Error = 0;
  std::vector<DnsServerRow> dnsServers;
  std::uint32_t dnsServersError = 0;
  std::vector<std::uint32_t> route6Notifications;  // answers of notifyRoute6Change, in order

  std::map<std::uint32_t, std::vector<std::uint8_t>> macAnswers;  // network order -> bytes
  std::map<std::uint32_t, std::string> names;
  std::vector<platform::ArpConflict> arpConflicts;  // what takeArpConflicts hands over next

  std::map<std::string, std::string> files;  // not used by file-backed tests
  platform::WallClock now{2013, 3, 5, 14, 7, 9, 2};
  platform::TimeZoneInfo zone{platform::TimeZoneInfo::Unknown, 0, 0, 0};
  int screenWidth = 1280, screenHeight = 1024;
  bool protectFails = false, unprotectFails = false;
  std::vector<std::uint8_t> lastProtectInput, lastEntropy;  // what protectData was given
  bool profileWriteFails = false;  // profileWriteKeys answers false and changes nothing
  int profileWrites = 0;
  std::vector<std::pair<std::string, std::string>> lastWrittenKeys;  // in the order given
  std::vector<std::pair<bool, std::string>> autostartCalls;
  std::string exePath = "C:\\Vetrel\\vetrel.exe";
  std::vector<std::string> chdirs;
  bool replaceFails = false;  // replaceFile answers false and moves nothing
  int tempFilesCreated = 0;   // calls of createTempFile
};

extern FakePlatform fake;
void resetFake();  // a fresh FakePlatform, probes not held

// Scripted finishing order for concurrent probes (thread-safe). While held, sendArp of an
// address waits until that address is released (at most 10 s).
void fakeHoldProbes(bool hold);
void fakeReleaseProbe(std::uint32_t networkAddress);
std::vector<std::uint32_t> fakeProbedAddresses();  // every sendArp call, in order

// A dynamic or static row for scripted tables.
ArpRow fakeArpRow(std::uint32_t ifIndex, const char* ip, const char* mac,
                  std::uint32_t type = kArpTypeDynamic);

// An IPv6 neighbour row for scripted tables (ip: IPv6 text, mac: "xx-xx-xx-xx-xx-xx").
Neighbour6Row fakeNeighbour6(std::uint32_t ifIndex, const char* ip, const char* mac,
                             std::uint32_t type = 3, bool router = false);

// The in-memory profile store of one path: "Section/Key" -> value.
namespace platform {
std::map<std::string, std::string>& fakeProfile(const std::string& path);
}
