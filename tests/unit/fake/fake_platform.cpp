#include "fake_platform.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "base/address.h"
#include "platform/probe_platform.h"
#include "platform/settings_platform.h"

FakePlatform fake;

namespace {

struct ProbeScript {
  std::mutex lock;
  std::condition_variable released;
  bool hold = false;
  std::set<std::uint32_t> open;
  std::vector<std::uint32_t> probed;
};
ProbeScript probeScript;

void waitForProbeTurn(std::uint32_t dest) {
  std::unique_lock<std::mutex> hold(probeScript.lock);
  probeScript.probed.push_back(dest);
  probeScript.released.wait_for(hold, std::chrono::seconds(10), [dest] {
    return !probeScript.hold || probeScript.open.count(dest) != 0;
  });
}

}  // namespace

void resetFake() {
  fake = FakePlatform{};
  std::lock_guard<std::mutex> hold(probeScript.lock);
  probeScript.hold = false;
  probeScript.open.clear();
  probeScript.probed.clear();
}

void fakeHoldProbes(bool hold) {
  std::lock_guard<std::mutex> g(probeScript.lock);
  probeScript.hold = hold;
  probeScript.released.notify_all();
}

void fakeReleaseProbe(std::uint32_t networkAddress) {
  std::lock_guard<std::mutex> g(probeScript.lock);
  probeScript.open.insert(networkAddress);
  probeScript.released.notify_all();
}

std::vector<std::uint32_t> fakeProbedAddresses() {
  std::lock_guard<std::mutex> g(probeScript.lock);
  return probeScript.probed;
}

ArpRow fakeArpRow(std::uint32_t ifIndex, const char* ip, const char* mac, std::uint32_t type) {
  ArpRow r{};
  r.index = ifIndex;
  r.physAddrLen = 6;
  std::uint8_t b[6] = {};
  parseMac(mac, b);
  std::memcpy(r.physAddr, b, 6);
  r.addr = hostToNetwork(parseIpv4(ip));
  r.type = type;
  return r;
}

namespace platform {

std::uint32_t getIpNetTable(void* buffer, std::uint32_t* size, bool sorted) {
  ++fake.arpCalls;
  fake.arpSortedFlags.push_back(sorted);
  fake.arpOfferedSizes.push_back(*size);
  if (fake.arpError) return fake.arpError;
  if (fake.arpRows.empty()) return kErrorNoData;
  // Copied only when sorted, so that benchmarks of the check measure the logic.
  std::vector<ArpRow> sortedRows;
  const std::vector<ArpRow>& rows = sorted ? sortedRows : fake.arpRows;
  if (sorted) {
    sortedRows = fake.arpRows;
    std::stable_sort(sortedRows.begin(), sortedRows.end(), [](const ArpRow& a, const ArpRow& b) {
      return networkToHost(a.addr) < networkToHost(b.addr);
    });
  }
  const std::uint32_t need = 4 + 24 * static_cast<std::uint32_t>(rows.size());
  if (*size < need) {
    *size = fake.arpAskBytes ? fake.arpAskBytes : need;
    return kErrorInsufficientBuffer;
  }
  const std::uint32_t n = static_cast<std::uint32_t>(rows.size());
  std::memcpy(buffer, &n, 4);
  std::memcpy(static_cast<char*>(buffer) + 4, rows.data(), 24 * rows.size());
  return 0;
}

std::uint32_t setIpNetEntry(const ArpRow& row) {
  fake.setEntries.push_back(row);
  if (fake.setEntryResult == 0 && fake.applyWrites) {
    auto it = std::find_if(fake.arpRows.begin(), fake.arpRows.end(), [&](const ArpRow& r) {
      return r.addr == row.addr && r.index == row.index;
    });
    if (it != fake.arpRows.end())
      *it = row;
    else
      fake.arpRows.push_back(row);
  }
  return fake.setEntryResult;
}

std::uint32_t deleteIpNetEntry(const ArpRow& row) {
  fake.deletedEntries.push_back(row);
  if (fake.applyWrites)
    std::erase_if(fake.arpRows,
                  [&](const ArpRow& r) { return r.addr == row.addr && r.index == row.index; });
  return 0;
}

std::uint32_t getAdapters(std::vector<PlatformAdapter>& out) {
  out.clear();
  if (fake.adaptersError) return fake.adaptersError;
  out = fake.adapters;
  return 0;
}

std::uint32_t getIpForwardTable(std::vector<RouteRow>& rows) {
  ++fake.routeTableReads;
  if (fake.routesError) return fake.routesError;
  rows = fake.routes;
  return 0;
}

std::uint32_t getIpAddrTable(std::vector<IpAddrRow>& rows) {
  if (fake.addrError) return fake.addrError;
  rows = fake.addrRows;
  return 0;
}

std::uint32_t notifyRouteChange() {
  if (fake.routeNotifications.empty()) {
    fake.lastError = kErrorNotSupported;
    return kErrorNotSupported;
  }
  std::uint32_t r = fake.routeNotifications.front();
  fake.routeNotifications.erase(fake.routeNotifications.begin());
  return r;
}

std::uint32_t lastErrorCode() { return fake.lastError; }

std::uint32_t deleteIpForwardEntry(const RouteRow& row) {
  fake.deletedRoutes.push_back(row);
  return fake.deleteRouteResult;
}

bool addRoute(const RouteAddRequest& request, RouteCommandFailure* failure) {
  if (!fake.addRouteStarts) return false;
  fake.addedRoutes.push_back(request.commandLine ? request.commandLine : "");
  if (failure) *failure = fake.addRouteFailure;
  return true;
}

std::uint32_t sendArp(std::uint32_t dest, std::uint8_t (&mac)[8], std::uint32_t& length) {
  waitForProbeTurn(dest);
  auto it = fake.macAnswers.find(dest);
  if (it == fake.macAnswers.end()) return 67;  // ERROR_BAD_NET_NAME
  std::memcpy(mac, it->second.data(), std::min<std::size_t>(8, it->second.size()));
  length = static_cast<std::uint32_t>(it->second.size());
  return 0;
}

bool getHostByAddr(std::uint32_t address, std::string& name) {
  auto it = fake.names.find(address);
  if (it == fake.names.end()) return false;
  name = it->second;
  return true;
}

void beginArpSweep(const std::vector<std::uint32_t>&) {}
void narrowArpSweep() {}
void endArpSweep() {}
void restrictArpInterface(std::uint32_t) {}
std::vector<ArpConflict> takeArpConflicts() {
  std::vector<ArpConflict> taken;
  taken.swap(fake.arpConflicts);
  return taken;
}

bool startSockets() { return true; }
void stopSockets() {}
std::string executablePath() { return fake.exePath; }
bool setCurrentDirectory(const char* path) {
  fake.chdirs.push_back(path);
  return true;
}
// Files are real: the logic's file tests run in a scratch directory.
bool replaceFile(const char* tempPath, const char* finalPath) {
  if (fake.replaceFails) return false;
  return std::rename(tempPath, finalPath) == 0;
}
bool removeFile(const char* path) { return std::remove(path) == 0; }
std::FILE* createTempFile(const char* finalPath, std::string& tempPath) {
  // Exclusive as the backends create them (their stale-file clean-up is the backend tests').
  static int counter = 0;
  fake.tempFilesCreated++;
  for (int i = 0; i < 16; ++i) {
    tempPath = std::string(finalPath) + ".tmp." + std::to_string(::getpid()) + "." +
               std::to_string(++counter);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
    if (fd < 0) continue;
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) ::close(fd);
    return f;
  }
  tempPath.clear();
  return nullptr;
}
// No disk to take back from: what fit stays, and the journal's line-start guard is tested
// against it. The Linux backend's tests prove the whole-or-nothing write.
std::size_t appendWhole(std::FILE* file, const char* data, std::size_t length) {
  const std::size_t written = std::fwrite(data, 1, length, file);
  if (written < length) std::clearerr(file);
  return written;
}

std::FILE* openForReading(const char* path, bool& missing) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  missing = status.type() == std::filesystem::file_type::not_found;
  return std::filesystem::is_regular_file(status) ? std::fopen(path, "rb") : nullptr;
}

std::FILE* openAppendShared(const char* path, bool& notRegular) {
  // Looked at before opening, so that a FIFO never blocks a test.
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  notRegular = !ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
  return notRegular ? nullptr : std::fopen(path, "ab");
}
WallClock localNow() { return fake.now; }
TimeZoneInfo timeZoneInformation() { return fake.zone; }
void screenSize(int& width, int& height) {
  width = fake.screenWidth;
  height = fake.screenHeight;
}
void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The profile store: one map per path, keeping keys that nobody writes.
namespace {
std::map<std::string, std::map<std::string, std::string>>& profiles() {
  static std::map<std::string, std::map<std::string, std::string>> p;
  return p;
}
std::string profileKey(const char* section, const char* key) {
  return std::string(section) + "/" + key;
}
}  // namespace

std::map<std::string, std::string>& fakeProfile(const std::string& path) {
  return profiles()[path];
}

std::int32_t profileGetInt(const char* section, const char* key, std::int32_t def,
                           const char* path) {
  auto& p = profiles()[path];
  auto it = p.find(profileKey(section, key));
  if (it == p.end()) return def;
  return static_cast<std::int32_t>(std::strtoll(it->second.c_str(), nullptr, 10));
}

void profileGetString(const char* section, const char* key, const char* def, char* out,
                      std::uint32_t capacity, const char* path) {
  auto& p = profiles()[path];
  auto it = p.find(profileKey(section, key));
  std::string v = it == p.end() ? std::string(def) : it->second;
  if (capacity == 0) return;
  std::size_t n = std::min<std::size_t>(v.size(), capacity - 1);
  std::memcpy(out, v.data(), n);
  out[n] = 0;
}

bool profileWriteKeys(const char* section,
                      const std::vector<std::pair<std::string, std::string>>& keyValues,
                      const char* path, bool) {
  ++fake.profileWrites;
  if (fake.profileWriteFails) return false;
  fake.lastWrittenKeys = keyValues;
  auto& p = profiles()[path];
  for (auto& [k, v] : keyValues) p[profileKey(section, k.c_str())] = v;
  return true;
}

// Reversible, so that a round trip can be checked: XOR with the entropy, framed.
bool protectData(const std::vector<std::uint8_t>& plain, const std::vector<std::uint8_t>& entropy,
                 std::vector<std::uint8_t>& blob) {
  fake.lastProtectInput = plain;
  fake.lastEntropy = entropy;
  if (fake.protectFails) return false;
  blob = {0x01, 0x02};
  for (std::size_t i = 0; i < plain.size(); ++i)
    blob.push_back(plain[i] ^ (entropy.empty() ? 0x5a : entropy[i % entropy.size()]));
  return true;
}

bool unprotectData(const std::vector<std::uint8_t>& blob, const std::vector<std::uint8_t>& entropy,
                   std::vector<std::uint8_t>& plain) {
  if (fake.unprotectFails || blob.size() < 2 || blob[0] != 0x01 || blob[1] != 0x02) return false;
  plain.clear();
  for (std::size_t i = 2; i < blob.size(); ++i)
    plain.push_back(blob[i] ^ (entropy.empty() ? 0x5a : entropy[(i - 2) % entropy.size()]));
  return true;
}

void setAutostart(bool on, const char* exePath) { fake.autostartCalls.emplace_back(on, exePath); }
bool setAutostartSaying(bool on, const char* exePath, std::string& said) {
  setAutostart(on, exePath);
  said.clear();
  return true;
}

// No registry: the fake's hosts have no vendor.
std::string vendorDataDirectory() { return "/nonexistent/ieee-data"; }

}  // namespace platform
