#include "app/linux/commands/scan_target.h"

#include <algorithm>
#include <bit>
#include <string_view>
#include <utility>

#include "base/address.h"
#include "base/address_input.h"
#include "scan/range_offer.h"
#include "scan/scanner.h"

namespace {

constexpr const char* kAddressForms =
    "' is not an IPv4 address (four numbers from 0 to 255 joined by dots)";

bool readAddress(std::string_view text, std::uint32_t& hostOrder, std::string& error) {
  // The one reader of typed addresses, four numbers as the scan tab reads them: 10.77.300 is a
  // typo, not 10.77.1.44.
  if (readIpv4Text(text, hostOrder)) return true;
  error = "'" + std::string(text) + kAddressForms;
  return false;
}

// BITS: a decimal number from 0 to 32.
bool readPrefix(std::string_view text, std::uint32_t& bits) {
  if (text.empty() || text.size() > 2) return false;
  bits = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    bits = bits * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return bits <= 32;
}

std::string dotted(std::uint32_t hostOrder) {
  char text[20];
  formatIpv4(hostToNetwork(hostOrder), text);
  return text;
}

std::uint32_t maskOf(std::uint32_t bits) { return bits == 0 ? 0 : ~0u << (32 - bits); }

}  // namespace

ScanTarget readScanTarget(const std::vector<std::string>& operands) {
  ScanTarget t;
  if (operands.empty() || operands.size() > 2) {
    t.error = "give FROM [TO], ADDRESS/BITS or FROM-TO";
    return t;
  }
  const std::string_view one = operands[0];
  const std::size_t slash = one.find('/'), dash = one.find('-');
  if (operands.size() == 2 && (slash != std::string_view::npos || dash != std::string_view::npos)) {
    t.error = "'" + operands[1] + "' follows a whole range ('" + operands[0] + "')";
    return t;
  }
  std::string fromText(one), toText(operands.size() > 1 ? operands[1] : operands[0]);
  if (slash != std::string_view::npos) {
    std::uint32_t address = 0, bits = 0;
    if (!readAddress(one.substr(0, slash), address, t.error)) return t;
    if (!readPrefix(one.substr(slash + 1), bits)) {
      t.error = "'" + std::string(one) + "': the prefix after / is a number from 0 to 32";
      return t;
    }
    const OfferedRange hosts = networkHosts(address, maskOf(bits));
    t.first = hosts.first;
    t.last = hosts.last;
  } else {
    if (dash != std::string_view::npos) {
      fromText = one.substr(0, dash);
      toText = one.substr(dash + 1);
    }
    if (!readAddress(fromText, t.first, t.error) || !readAddress(toText, t.last, t.error)) return t;
    if (t.last < t.first) {
      t.error = "the last address " + toText + " lies below the first " + fromText;
      return t;
    }
  }
  const std::uint64_t count = std::uint64_t{t.last} - t.first + 1;
  if (count > kMaxScanAddresses)
    t.error = "the range " + dotted(t.first) + " to " + dotted(t.last) + " holds " +
              std::to_string(count) + " addresses; at most " + std::to_string(kMaxScanAddresses) +
              " can be scanned at once";
  return t;
}

std::vector<ScanSubnet> scanSubnets(const std::vector<PlatformAdapter>& adapters,
                                    const std::string& interfaceName) {
  std::vector<ScanSubnet> out;
  for (const PlatformAdapter& a : adapters) {
    if (!interfaceName.empty() && a.name != interfaceName) continue;
    for (const PlatformAdapter::Address& ip : a.addresses) {
      ScanSubnet s{a.name};
      if (readIpv4Text(ip.address, s.address) && readIpv4Text(ip.mask, s.mask) && s.address != 0)
        out.push_back(s);
    }
  }
  return out;
}

std::uint64_t addressesOnSubnets(std::uint32_t first, std::uint32_t last,
                                 const std::vector<ScanSubnet>& subnets) {
  // The parts of the range each subnet holds, merged where subnets overlap.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> parts;
  for (const ScanSubnet& s : subnets) {
    const std::uint32_t network = s.address & s.mask, broadcast = network | ~s.mask;
    const std::uint32_t from = std::max(first, network), to = std::min(last, broadcast);
    if (from <= to) parts.emplace_back(from, to);
  }
  std::sort(parts.begin(), parts.end());
  std::uint64_t count = 0;
  std::uint64_t next = 0;  // the first address not yet counted
  for (const auto& [from, to] : parts) {
    const std::uint64_t start = std::max<std::uint64_t>(from, next);
    if (start <= to) count += to - start + 1;
    next = std::max<std::uint64_t>(next, std::uint64_t{to} + 1);
  }
  return count;
}

std::string subnetsText(const std::vector<ScanSubnet>& subnets) {
  std::string out;
  for (const ScanSubnet& s : subnets)
    out += (out.empty() ? "" : ", ") + s.interfaceName + " " + dotted(s.address) + "/" +
           std::to_string(std::popcount(s.mask));
  return out.empty() ? "none" : out;
}
