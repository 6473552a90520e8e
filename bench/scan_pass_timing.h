#pragma once
// What the scan benchmarks share: one pass run to its end and timed, and the tear-down.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>

#include "base/address.h"
#include "fake/scan_main_thread.h"
#include "scan/scanner.h"

// Builds the range, runs one pass to its end and answers its seconds; -1 after telling the
// benchmark why it stops.
inline double timedScanPass(benchmark::State& state, std::uint32_t first, std::uint32_t last) {
  buildScanRange(first, last);
  const auto start = std::chrono::steady_clock::now();
  if (!beginScanPass() || !runPassToEnd()) {
    state.SkipWithError("the pass did not run to its end");
    return -1;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  joinScanWorkers();
  return seconds;
}

inline void endScanBench() {
  deleteScanLock();
  scanFrontEnd = ScanFrontEnd{};
  ScanResults.clear();
  SampleList.clear();
}
