#include "app/linux/system/process_memory.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>

namespace {

TEST(ProcessMemory, StatusFieldIsReadOnlyFromItsOwnWholeLine) {
  const char* status = "Name:\tvetrel\nVmPeak:\t  9999 kB\nVmHWM:\t    4236 kB\nVmRSS:\t 4100 kB\n";
  struct Case {
    const char* text;
    const char* key;
    long kb;
  } cases[] = {
      {status, "VmHWM", 4236},
      {status, "VmRSS", 4100},
      {status, "VmHW", -1},  // a prefix names no field
      {status, "VmSwap", -1},
      {"VmHWM:\t12 kB", "VmHWM", 12},  // no final line end
      {"VmHWM:\t kB\n", "VmHWM", -1},
      {"VmHWM:\t12 MB\n", "VmHWM", -1},
      {"VmHWM:\t-12 kB\n", "VmHWM", -1},
      {"VmHWM:\t99999999999999999999999 kB\n", "VmHWM", -1},
      {"", "VmHWM", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(statusFieldKb(c.text, c.key), c.kb) << c.text;
}

// --stats prints both: memory given back lowers the current figure, never the peak.
TEST(ProcessMemory, ThePeakKeepsMemoryGivenBack) {
  constexpr std::size_t kBlock = 64 << 20;  // mapped by hand: no allocator keeps it
  void* block = ::mmap(nullptr, kBlock, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(block, MAP_FAILED);
  std::memset(block, 1, kBlock);
  ::munmap(block, kBlock);
  EXPECT_GT(peakResidentKb(), residentKb() + 32768);
}

}  // namespace
