#include "app/linux/system/process_memory.h"

#include <gtest/gtest.h>

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
  EXPECT_GT(peakResidentKb(), 0);
}

}  // namespace
