// samples.dat, samples6.dat and statics.dat as they are read at start-up, from a scratch folder.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "arp/samples.h"
#include "arp/statics.h"
#include "base/address.h"
#include "ipv6/samples6.h"
#include "scratch_folder.h"

namespace {
void writeFile(const char* name, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(name, "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

bool setUp() {
  if (chdir(scratchFolder().c_str()) != 0) std::abort();
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = setUp();
  (void)ready;
  writeFile(kSamplesFile, data, size);
  writeFile(kStaticsFile, data, size);
  writeFile(kSamples6File, data, size);
  loadSamples();
  SampleList.clear();
  loadSamples6();
  Sample6List.clear();
  forgetStaticsFile();
  loadStatics();
  return 0;
}
