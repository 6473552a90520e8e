// The range scanner's main thread: 16 workers over a /24 in which every address answers at
// once (fake probes), so the figure is the main thread's own cost per result: showing it in
// address order, the hand-out and, with the comparison on, the look-up in 254 samples.
// Checks that every row was shown live in address order before the final refill.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/address.h"
#include "base/ui_hooks.h"
#include "fake/fake_platform.h"
#include "fake/scan_main_thread.h"
#include "scan/scanner.h"
#include "scan_pass_timing.h"
#include "settings/settings.h"

namespace {

int clears = 0;
std::vector<std::string> liveRows;  // rows appended between the pass's clear and the refill

void installCountingList() {
  uiHooks = UiHooks{};
  uiHooks.clearList = [](ListId) { ++clears; };
  uiHooks.appendRow = [](ListId, const char* ip) {
    if (clears == 1) liveRows.emplace_back(ip);
    return static_cast<int>(liveRows.size()) - 1;
  };
}

void BM_ScanPassSlash24(benchmark::State& state) {
  const bool compare = state.range(0) != 0;
  resetFake();
  settings = Settings{};
  settings.MaxScanThreads = 16;
  settings.ScanCheckMac = compare;
  settings.AddNew = false;
  const std::uint32_t first = parseIpv4("10.0.0.1");
  std::vector<std::string> expected;
  SampleList.clear();
  for (std::uint32_t i = 0; i < 254; ++i) {
    fake.macAnswers[hostToNetwork(first + i)] = {2, 0, 0, 0, 0, static_cast<std::uint8_t>(i)};
    char ip[20], mac[20];
    formatIpv4Host(first + i, ip);
    const std::uint8_t bytes[6] = {2, 0, 0, 0, 0, static_cast<std::uint8_t>(i)};
    formatMac(bytes, mac);
    expected.emplace_back(ip);
    AddressEntry s = makeEntry();
    std::memcpy(s.ipText, ip, sizeof ip);
    std::memcpy(s.macText, mac, sizeof mac);
    if (compare) SampleList.push_back(s);
  }
  installCountingList();
  installScanMainThread();
  createScanLock();
  double handler = 0, wall = 0;
  long results = 0;
  for (auto _ : state) {
    clears = 0;
    liveRows.clear();
    const double before = scanHandlerSeconds();
    const double seconds = timedScanPass(state, first, first + 253);
    if (seconds < 0) break;
    wall += seconds;
    handler += scanHandlerSeconds() - before;
    results += 254;
    if (liveRows != expected) {
      state.SkipWithError("rows were not shown live in address order");
      break;
    }
  }
  endScanBench();
  if (results == 0) return;
  state.SetLabel("254 rows shown live in address order");
  state.counters["main_us_per_result"] = handler / results * 1e6;
  state.counters["pass_ms"] = wall / (results / 254) * 1e3;
  state.counters["main_share"] = handler / wall;
}

}  // namespace

BENCHMARK(BM_ScanPassSlash24)
    ->ArgName("compare")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(50);
