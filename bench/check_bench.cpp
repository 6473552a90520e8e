// The ARP check against large tables and sample lists, with its figures as ratios:
//  - an unchanged table against the bare cost of turning its rows into entries;
//  - a first check (every row new to the cycle) against 10,000 samples, 100 of them
//    patterns, and how it scales from 10,000 to 100,000 rows.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "address_fixture.h"
#include "arp/arp_table.h"
#include "arp/check_cycle.h"
#include "arp/check_index.h"
#include "base/address.h"
#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "settings/settings.h"

namespace {

std::string rowIp(int i) {
  char t[20];
  formatIpv4Host((10u << 24) + 256u + static_cast<std::uint32_t>(i), t);  // 10.0.1.0 onwards
  return t;
}

std::string rowMac(int i) {
  char t[20];
  const std::uint8_t b[6] = {0x02,
                             0x00,
                             static_cast<std::uint8_t>(i >> 24),
                             static_cast<std::uint8_t>(i >> 16),
                             static_cast<std::uint8_t>(i >> 8),
                             static_cast<std::uint8_t>(i)};
  formatMac(b, t);
  return t;
}

AddressEntry sample(const std::string& ip, const std::string& mac, const char* name) {
  return addressEntry(ip, mac, "", name);
}

// The list views cost what the front end makes them cost; here they only count rows.
int shownRows = 0;
int journalled = 0;

void prepare(int rows, int patterns) {
  resetFake();
  installUiRecorder();
  uiHooks.clearList = [](ListId) {};
  uiHooks.appendRow = [](ListId, const char*) { return shownRows++; };
  uiHooks.setCell = [](ListId, int, int, const char*) {};
  uiHooks.journalLine = [](const char*, const char*) { ++journalled; };
  journalled = 0;
  settings = Settings{};
  resetCheckCycle();
  freeArpSnapshot();
  createArpSnapshot();

  fake.arpRows.clear();
  for (int i = 0; i < rows; ++i)
    fake.arpRows.push_back(fakeArpRow(1, rowIp(i).c_str(), rowMac(i).c_str()));

  // Every row has a sample, except where a pattern stands in for it: the pattern covers
  // the row's /24 and matches any MAC, so no row is reported.
  SampleList.clear();
  const int step = patterns ? rows / patterns : rows + 1;
  for (int i = 0; i < rows; ++i) {
    if (patterns && i % step == step / 2) {
      std::string ip = rowIp(i);
      ip.resize(ip.rfind('.') + 1);
      SampleList.push_back(sample(ip + "*", "*", "wild"));
    } else {
      SampleList.push_back(sample(rowIp(i), rowMac(i), "host"));
    }
  }
}

void BM_UnchangedCheck(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  prepare(rows, 100);
  runCheck();  // the first check fills LastCacheList
  for (auto _ : state) {
    runCheck();
    benchmark::DoNotOptimize(CacheList.data());
  }
  if (CacheList.size() != static_cast<std::size_t>(rows) || ui.boxes.size())
    state.SkipWithError("the check did not see the table");
}

// The floor: read rows out of the snapshot, format them and find each in LastCacheList.
void BM_BareEntries(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  prepare(rows, 100);
  runCheck();
  readArpTable(false);
  BindingIndex index;
  index.build(LastCacheList);
  for (auto _ : state) {
    int found = 0;
    const std::uint32_t n = arpRowCount(arpSnapshot);
    for (std::uint32_t i = 0; i < n; ++i) {
      AddressEntry e;
      if (!arpRowEntry(arpRowAt(arpSnapshot, i), e)) continue;
      found += index.find(LastCacheList, e) >= 0;
      benchmark::DoNotOptimize(e);
    }
    benchmark::DoNotOptimize(found);
  }
}

void BM_FirstCheck(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  prepare(rows, 100);
  for (auto _ : state) {
    state.PauseTiming();
    resetCheckCycle();
    state.ResumeTiming();
    runCheck();
  }
  if (CacheList.size() != static_cast<std::size_t>(rows) || journalled != 0)
    state.SkipWithError("the check reported or lost rows");
}

BENCHMARK(BM_UnchangedCheck)->Arg(10000)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_BareEntries)->Arg(10000)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_FirstCheck)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Repetitions(5);

// Keeps the best CPU time per iteration over the repetitions, so that the ratios can be
// printed at the end. CPU time, because a shared machine's other work stretches wall time.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.iterations <= 0) continue;
      const double t = r.cpu_accumulated_time / static_cast<double>(r.iterations);
      std::string name = r.run_name.str();
      name = name.substr(0, name.find("/repeats:"));
      auto [it, fresh] = seconds.emplace(name, t);
      if (!fresh && t < it->second) it->second = t;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

void printRatios(const std::map<std::string, double>& s) {
  auto at = [&](const char* name) {
    auto it = s.find(name);
    return it == s.end() ? 0.0 : it->second;
  };
  const double unchanged = at("BM_UnchangedCheck/10000"), bare = at("BM_BareEntries/10000");
  const double first10k = at("BM_FirstCheck/10000"), first100k = at("BM_FirstCheck/100000");
  std::printf("CPU time per check, best of 5 repetitions:\n");
  if (unchanged > 0 && bare > 0)
    std::printf(
        "unchanged 10,000-row check %.3f ms, bare entries %.3f ms: ratio %.2f (target <= 3) %s\n",
        unchanged * 1e3, bare * 1e3, unchanged / bare, unchanged / bare <= 3 ? "ok" : "OVER");
  if (first10k > 0)
    std::printf(
        "first check, 10,000 rows x 10,000 samples (100 patterns): %.2f ms (target <= 20) %s\n",
        first10k * 1e3, first10k <= 0.020 ? "ok" : "OVER");
  if (first10k > 0 && first100k > 0)
    std::printf(
        "first check, 100,000 rows: %.2f ms, %.2fx the 10,000-row check (target <= 12) %s\n",
        first100k * 1e3, first100k / first10k, first100k / first10k <= 12 ? "ok" : "OVER");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printRatios(reporter.seconds);
  benchmark::Shutdown();
  return 0;
}
