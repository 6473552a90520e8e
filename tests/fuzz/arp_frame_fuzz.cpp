// One Ethernet frame: read as a reply to a probe of ours, and as a binding heard on the wire
// that goes on through the check's decisions against a few samples. A byte past the ARP body
// (no reader looks there) picks the check's settings.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "arp/samples.h"
#include "arp/wire_bindings.h"
#include "arp/wire_decisions.h"
#include "arp/wire_reports.h"
#include "base/text_field.h"
#include "platform/linux/arp_frame.h"
#include "scratch_folder.h"
#include "settings/settings.h"

namespace {
constexpr std::uint8_t kOwnMac[6] = {2, 0, 0, 0, 0, 0xaa};
constexpr std::uint32_t kOwnIp = 0x0100000a;  // 10.0.0.1, network order

void addSample(const char* ip, const char* mac) {
  AddressEntry e = makeEntry();
  copyField(e.ipText, ip);
  copyField(e.macText, mac);
  SampleList.push_back(e);
}

bool setUp() {
  // A learned sample is saved in the working folder.
  if (chdir(scratchFolder().c_str()) != 0) std::abort();
  enableWireBindings(true);
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = setUp();
  (void)ready;
  const std::uint8_t pick = size > 42 ? data[size - 1] : 0;
  settings.AddNew = pick & 1;
  settings.CheckMac = pick & 2;
  settings.Restore = pick & 4;
  settings.BlockNew = pick & 8;
  settings.AddAddIp = pick & 16;
  // Every input starts from the same samples. The memory of bindings heard carries over, as
  // in a run: its forgetting of the oldest is under test too.
  SampleList.clear();
  addSample("10.0.0.2", "02-00-00-00-00-02");
  addSample("10.0.0.3", "02-00-00-*");
  addSample("10.0.0.4", "");
  ArpReply reply;
  if (readArpReply(data, size, reply)) answersUs(reply, kOwnMac, kOwnIp);
  std::uint8_t mac[6];
  parseArpReply(data, size, 0x0200000a, kOwnMac, kOwnIp, mac);
  platform::HeardArp heard{};
  WireBinding binding{};
  if (readArpFrame(data, size, heard) && readWireFrame(heard, binding))
    decideWireBindings(&binding, 1);
  return 0;
}
