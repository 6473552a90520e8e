// What learning costs a scan pass: 16,384 hosts answer at once (fake probes) and are compared
// with the samples; without learning each is reported new, with AddNew each is also learned.
// The pass rewrites samples.dat once at its end, so learning should add little: the counter
// learn_over_report is the ratio of the two passes' times (the target is at most 1.5).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>

#include "base/address.h"
#include "base/ui_hooks.h"
#include "fake/fake_platform.h"
#include "fake/scan_main_thread.h"
#include "scan/scanner.h"
#include "scan_pass_timing.h"
#include "settings/settings.h"

namespace {

constexpr std::uint32_t kHosts = 16384;
std::map<bool, double> passSeconds;  // by learning

void BM_ScanPassLearning(benchmark::State& state) {
  const bool learn = state.range(0) != 0;
  const auto previous = std::filesystem::current_path();
  const auto dir = std::filesystem::temp_directory_path() / "vetrel_learning_bench";
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  resetFake();
  settings = Settings{};
  settings.MaxScanThreads = 16;
  settings.ScanCheckMac = true;
  settings.AddNew = learn;
  const std::uint32_t first = parseIpv4("10.1.0.1");
  for (std::uint32_t i = 0; i < kHosts; ++i)
    fake.macAnswers[hostToNetwork(first + i)] = {2,
                                                 0,
                                                 0,
                                                 static_cast<std::uint8_t>(i >> 16),
                                                 static_cast<std::uint8_t>(i >> 8),
                                                 static_cast<std::uint8_t>(i)};
  uiHooks = UiHooks{};  // rows and lines cost nothing here: the comparison and the file do
  installScanMainThread();
  createScanLock();
  double wall = 0;
  int passes = 0;
  for (auto _ : state) {
    SampleList.clear();
    std::filesystem::remove("samples.dat");
    const double seconds = timedScanPass(state, first, first + kHosts - 1);
    if (seconds < 0) break;
    wall += seconds;
    ++passes;
    if (SampleList.size() != (learn ? kHosts : 0u) ||
        std::filesystem::exists("samples.dat") != learn) {
      state.SkipWithError("the pass did not learn what it should");
      break;
    }
  }
  endScanBench();
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(dir);
  if (passes == 0) return;
  passSeconds[learn] = wall / passes;
  state.counters["pass_ms"] = wall / passes * 1e3;
  state.counters["files_written"] = fake.tempFilesCreated / passes;
  if (learn && passSeconds.count(false))
    state.counters["learn_over_report"] = passSeconds[true] / passSeconds[false];
}

}  // namespace

BENCHMARK(BM_ScanPassLearning)
    ->ArgName("learn")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
