#include "scan/scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "address_fixture.h"
#include "arp/list_views.h"
#include "arp/sample_view.h"
#include "arp/samples.h"
#include "base/address.h"
#include "failing_allocations.h"
#include "fake/fake_platform.h"
#include "fake/scan_main_thread.h"
#include "fake/ui_recorder.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::uint32_t net(const char* ip) { return hostToNetwork(parseIpv4(ip)); }
std::uint32_t net(std::uint32_t hostOrder) { return hostToNetwork(hostOrder); }

// 10.0.0.1 + i answers with MAC 02-00-00-00-00-<i+1>.
void answerMac(int i) {
  fake.macAnswers[net(parseIpv4("10.0.0.1") + i)] = {2, 0, 0,
                                                     0, 0, static_cast<std::uint8_t>(i + 1)};
}

Rows shownRows() { return ui.lists[ListId::Scan]; }

int redrawHeld = 0, redrawHolds = 0;

class Scanner : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    installUiRecorder();
    settings = Settings{};
    SampleList.clear();
    ScanResults.clear();
    repeatArmed = false;
    scanRunning = false;
    createScanLock();
    installScanMainThread();
  }
  void TearDown() override {
    fakeHoldProbes(false);
    if (scanRunning) runPassToEnd();
    joinScanWorkers();
    deleteScanLock();
    scanFrontEnd = ScanFrontEnd{};
    ScanResults.clear();
    SampleList.clear();
  }
  // Waits (bounded) until n probes have begun.
  static bool probesBegun(std::size_t n) {
    for (int i = 0; i < 1000; ++i) {
      if (fakeProbedAddresses().size() >= n) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
};

}  // namespace

TEST_F(Scanner, ResultsShowInAddressOrderWhateverOrderTheyFinish) {
  for (int i = 0; i < 4; ++i) answerMac(i);
  fakeHoldProbes(true);
  // Rows are only ever added while the list's redraw is held.
  redrawHeld = redrawHolds = 0;
  uiHooks.holdRedraw = [](ListId, bool hold) {
    redrawHeld += hold ? 1 : -1;
    redrawHolds += hold ? 1 : 0;
  };
  uiHooks.appendRow = [](ListId l, const char* c0) {
    EXPECT_EQ(redrawHeld, 1);
    ui.lists[l].push_back({c0});
    return static_cast<int>(ui.lists[l].size()) - 1;
  };
  ASSERT_EQ(buildScanRange("10.0.0.1", "10.0.0.4"), ScanRange::Built);
  ASSERT_TRUE(beginScanPass());
  EXPECT_EQ(activeWorkers, 4);
  EXPECT_EQ(ui.status[2], "Опрос: Выполняется...");

  const std::vector<std::pair<int, std::size_t>> finishes = {{3, 0}, {0, 1}, {1, 2}, {2, 4}};
  for (auto [index, rowsAfter] : finishes) {
    fakeReleaseProbe(net(parseIpv4("10.0.0.1") + index));
    ASSERT_EQ(handleHandOff(index), index);
    EXPECT_EQ(shownRows().size(), rowsAfter) << "after index " << index;
  }
  EXPECT_FALSE(scanRunning);
  EXPECT_EQ(ui.status[2], "Опрос: Готово");
  EXPECT_EQ(redrawHeld, 0);
  EXPECT_EQ(redrawHolds, 4);  // one paint per message, the refill's rows included
  const std::vector<std::pair<std::string, int>> hosts = {
      {"10.0.0.1", 0}, {"10.0.0.2", 1}, {"10.0.0.3", 2}, {"10.0.0.4", 3}};
  EXPECT_EQ(ui.scanHosts, hosts);  // each found host handed on with its new row
  EXPECT_EQ(shownRows(), (Rows{{"10.0.0.1", "02-00-00-00-00-01", ""},
                               {"10.0.0.2", "02-00-00-00-00-02", ""},
                               {"10.0.0.3", "02-00-00-00-00-03", ""},
                               {"10.0.0.4", "02-00-00-00-00-04", ""}}));
}

// Rows, names, the worker bounds and a stop halfway are proven in the scan lab and under Wine.
TEST_F(Scanner, RecordsKeepCutNamesAndARepeatKeepsWhatItsProbesLeave) {
  settings.ScanGetName = true;
  const std::string seventy = std::string(66, 'n') + ".lan";
  fake.names[net("10.0.0.2")] = "printer.lan";
  fake.names[net("10.0.0.4")] = seventy;
  ASSERT_EQ(buildScanRange("10.0.0.1", "10.0.0.4"), ScanRange::Built);
  ASSERT_TRUE(beginScanPass());
  ASSERT_TRUE(runPassToEnd());
  EXPECT_EQ(std::string(ScanResults[3].hostName), seventy.substr(0, 63));

  settings.ScanGetName = false;
  fake.macAnswers[net("10.0.0.2")] = {0, 0, 0, 2};  // bytes the system leaves unfilled read ff
  ASSERT_TRUE(beginScanPass());
  ASSERT_TRUE(runPassToEnd());
  EXPECT_EQ(shownRows(), (Rows{{"10.0.0.2", "00-00-00-02-ff-ff", "printer.lan"}}));
  EXPECT_STREQ(ScanResults[3].ipText, "10.0.0.4");
}

// A stop once every address is out changes nothing but the final text.
TEST_F(Scanner, AStopAfterTheLastHandOutStillEndsInterrupted) {
  ASSERT_EQ(buildScanRange("10.0.0.1", "10.0.0.2"), ScanRange::Built);
  ASSERT_TRUE(beginScanPass());
  EXPECT_EQ(nextIndex, 2u);
  stopScanPass();
  EXPECT_EQ(scanCount, 2u);
  ASSERT_TRUE(runPassToEnd());
  EXPECT_EQ(ui.status[2], "Опрос: Прервано");
}

TEST_F(Scanner, AWorkerThatCannotStartLeavesItsAddressUnprobed) {
  installScanMainThread({1});
  settings.MaxScanThreads = 3;
  settings.ScanCheckMac = true;
  settings.AddNew = false;  // reports only: no samples.dat written
  for (int i = 0; i < 6; ++i) answerMac(i);
  ASSERT_EQ(buildScanRange("10.0.0.1", "10.0.0.6"), ScanRange::Built);
  ASSERT_TRUE(beginScanPass());
  EXPECT_EQ(activeWorkers, 2);
  ASSERT_TRUE(runPassToEnd());
  EXPECT_EQ(ScanResults[1].probeState, 0);
  EXPECT_EQ(shownRows().size(), 5u);
  // The hosts after the unprobed address are still compared as they are shown.
  EXPECT_EQ(std::count_if(ui.windowLines.begin(), ui.windowLines.end(),
                          [](const std::string& l) {
                            return l.find("Новый IP-адрес!") != std::string::npos;
                          }),
            5);
  EXPECT_EQ(ui.status[2], "Опрос: Готово");

  // No worker at all: the pass does not run and no text is set.
  installScanMainThread({0, 1, 2});
  ui.status[2].clear();
  EXPECT_FALSE(beginScanPass());
  EXPECT_FALSE(scanRunning);
  EXPECT_EQ(ui.status[2], "");

  // A hand-edited thread count is bounded to the sixteen worker slots, and below one is one.
  for (const auto& [asked, started] : {std::pair{0, 1}, {16, 16}, {17, 16}, {50, 16}}) {
    installScanMainThread();
    settings.MaxScanThreads = asked;
    ASSERT_EQ(buildScanRange("10.0.0.1", "10.0.0.60"), ScanRange::Built);
    ASSERT_TRUE(beginScanPass());
    EXPECT_EQ(activeWorkers, started) << asked;
    ASSERT_TRUE(runPassToEnd());
  }
}

// The empty last field, a reversed and an oversized range are proven in the scan lab and
// under Wine.
TEST_F(Scanner, RangeFieldsBuildTheRecords) {
  struct Case {
    const char* from;
    const char* to;
    ScanRange result;
    std::size_t count;
    std::uint32_t first;
  };
  const Case cases[] = {
      {"255.255.255.254", "255.255.255.255", ScanRange::Built, 2, 0xFFFFFFFEu},
      {"0.0.0.0", "255.255.255.255", ScanRange::TooLarge, 2, 0},       // the list before stays
      {"10.88.0.2", " ", ScanRange::Built, 1, 0x0A580002},             // an empty last: one address
      {"10.88.0", "10.88.0.3", ScanRange::Built, 4, 0x0A580000},       // short forms as the system
      {"10.88.0.010", "10.88.0.12", ScanRange::Built, 3, 0x0A58000A},  // leading zeros decimal
      // Nothing changes for a field that is no address or a reversed range.
      {"junk", "", ScanRange::FromInvalid, 2, 0},
      {"", "", ScanRange::FromInvalid, 2, 0},
      {"999.1.1.1", "999.1.1.5", ScanRange::FromInvalid, 2, 0},  // never wrapped to 231.1.1.1
      {"10.88.0.1", "10.88.0.1.5", ScanRange::ToInvalid, 2, 0},
      {"10.88.0.1", "10.88.65536", ScanRange::ToInvalid, 2, 0},
      {"10.88.0.5", "10.88.0.1", ScanRange::Reversed, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " - " + c.to);
    ScanResults.assign(2, makeEntry());
    EXPECT_EQ(buildScanRange(c.from, c.to), c.result);
    ASSERT_EQ(ScanResults.size(), c.count);
    EXPECT_EQ(scanRangeText(c.result, c.from, c.to).empty(), c.result == ScanRange::Built);
    if (c.result != ScanRange::Built) continue;
    EXPECT_EQ(ScanResults.front().ipValue, c.first);
    EXPECT_EQ(ScanResults.back().ipValue, c.first + c.count - 1);
  }
}

// Sorting by name and its refusal while a pass runs are proven under Wine.
TEST_F(Scanner, SortWaitsForAnArmedRepeatAndKeepsUnansweredRecordsBlank) {
  settings.ScanGetName = true;
  fake.names[net("10.0.0.3")] = "alpha";
  ASSERT_EQ(buildScanRange("10.0.0.1", "10.0.0.3"), ScanRange::Built);
  repeatArmed = true;
  ASSERT_TRUE(beginScanPass());
  ASSERT_TRUE(runPassToEnd());
  EXPECT_FALSE(sortScanResults(0));
  repeatArmed = false;
  ASSERT_TRUE(sortScanResults(0));  // a record without an answer sorts as 0.0.0.0
  EXPECT_STREQ(ScanResults[0].ipText, "");
  EXPECT_EQ(shownRows(), (Rows{{"10.0.0.3", "", "alpha"}}));
  EXPECT_FALSE(sortScanResults(3));
}

// The scan lab proves the plain cases end to end (a spoofing line naming both pairs, new
// addresses learned, an additional IP not learned); Wine a host found by name alone.
TEST_F(Scanner, ComparisonReportsAndLearnsAsTheSettingsSay) {
  ScratchDir dir;
  struct Case {
    const char* name;
    std::vector<AddressEntry> samples;
    const char* ip;
    const char* mac;
    bool addNew, addAddIp;
    std::vector<std::string> reports;
    bool learned;
  };
  const AddressEntry wild = addressEntry("192.168.0.*", "00-11-22-33-44-55");
  const AddressEntry other = addressEntry("192.168.0.7", "00-11-22-33-44-77");
  // A MAC copied from ipconfig /all is in upper case; the probe's is in lower case.
  const AddressEntry upper = addressEntry("192.168.0.7", "00-AA-BB-CC-DD-E*");
  const AddressEntry knownAa = addressEntry("10.8.8.9", "00-AA-BB-CC-DD-EE");
  const AddressEntry knownAaPlain = addressEntry("10.8.8.9", "00aabbccddee");
  const char *ip7 = "192.168.0.7", *ip8 = "192.168.0.8", *m66 = "00-11-22-33-44-66",
             *aa = "00-aa-bb-cc-dd-ee";
  auto at7 = [&](const char* mac) { return addressEntry(ip7, mac); };
  const std::string spoof = "Подмена адреса! 192.168.0.7 00-11-22-33-44-66 (192.168.0.";
  const std::string new7 = "Новый IP-адрес! 192.168.0.7", new8 = "Новый IP-адрес! 192.168.0.8",
                    add8 = "Дополн. IP-адрес! 192.168.0.8";
  const std::string sWild = spoof + "* 00-11-22-33-44-55)", s77 = spoof + "7 00-11-22-33-44-77)",
                    s77d = spoof + "7 0011.2233.4477)";
  const Case cases[] = {
      {"every contradiction reports", {wild, other}, ip7, m66, true, true, {sWild, s77}, false},
      {"an upper-case pattern matches", {upper}, ip7, aa, true, true, {}, false},
      {"new, not learned", {}, ip7, m66, false, true, {new7}, false},
      {"unknown MAC: learned", {other}, ip8, aa, true, false, {new8}, true},
      {"a known MAC in another case", {knownAa}, ip8, aa, true, false, {new8, add8}, false},
      {"name alone: no sample without a MAC", {other}, ip8, "", true, false, {new8}, false},
      {"colon form: the same MAC", {at7("00:11:22:33:44:66")}, ip7, m66, true, true, {}, false},
      {"a known address without a MAC", {at7("")}, ip7, m66, true, true, {}, false},
      {"zero contradicts nothing", {at7("00-00-00-00-00-00")}, ip7, m66, true, true, {}, false},
      {"dotted: another host", {at7("0011.2233.4477")}, ip7, m66, true, true, {s77d}, false},
      {"a known MAC in another form", {knownAaPlain}, ip8, aa, true, false, {new8, add8}, false},
      {"a broadcast MAC is never learned", {}, ip8, "ff-ff-ff-ff-ff-ff", true, true, {new8}, false},
      {"a multicast MAC is never learned", {}, ip8, "01-00-5e-00-00-16", true, true, {new8}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    installUiRecorder();
    std::remove("samples.dat");
    SampleList = c.samples;
    noteSamplesChanged();
    settings.AddNew = c.addNew;
    settings.AddAddIp = c.addAddIp;
    AddressEntry found = addressEntry(c.ip, c.mac, "", "host");
    found.probeState = 1;
    compareWithSamples(found);
    EXPECT_FALSE(std::filesystem::exists("samples.dat"));  // written at the end of the pass
    saveLearnedSamples();
    ASSERT_EQ(ui.windowLines.size(), c.reports.size());
    for (std::size_t i = 0; i < c.reports.size(); ++i)
      EXPECT_NE(ui.windowLines[i].find(c.reports[i]), std::string::npos) << ui.windowLines[i];
    EXPECT_EQ(SampleList.size(), c.samples.size() + (c.learned ? 1 : 0));
    EXPECT_EQ(readFile("samples.dat").ends_with(std::string(c.ip) + "\t" + c.mac + "\thost\r\n"),
              c.learned);
  }
}

// A pass that learns every host writes samples.dat once; names from the resolver are cut at
// a line break and lose their control characters before they are shown or stored; a second
// MAC heard for an address is journalled as spoofing against the first.
TEST_F(Scanner, APassLearnsCleanNamesWritesOnceAndSaysConflicts) {
  ScratchDir dir;
  settings.ScanCheckMac = settings.AddNew = settings.ScanGetName = true;
  for (int i = 0; i < 6; ++i) answerMac(i);
  fake.names[net("10.0.0.2")] = "evil\x1b[41m\tname\r\n10.0.0.9\tforged";
  platform::ArpConflict conflict{net("10.0.0.3"), {2, 0, 0, 0, 0, 3}, {2, 0, 0, 0, 0, 0x99}};
  fake.arpConflicts = {conflict};
  ASSERT_EQ(buildScanRange("10.0.0.1", "10.0.0.6"), ScanRange::Built);
  ASSERT_TRUE(beginScanPass());
  ASSERT_TRUE(runPassToEnd());
  EXPECT_EQ(SampleList.size(), 6u);
  EXPECT_EQ(fake.tempFilesCreated, 1);
  EXPECT_EQ(std::string(SampleList[1].hostName), "evil?[41m?name");
  EXPECT_EQ(shownRows()[1][2], "evil?[41m?name");
  const auto spoof = std::find_if(ui.windowLines.begin(), ui.windowLines.end(), [](auto& l) {
    return l.find("Подмена адреса! 10.0.0.3 02-00-00-00-00-99 (10.0.0.3 02-00-00-00-00-03)") !=
           std::string::npos;
  });
  EXPECT_NE(spoof, ui.windowLines.end());
}

TEST_F(Scanner, AMessageDeliveredInsideTheHandlerOnlyHandsOut) {
  settings.ScanCheckMac = true;
  settings.AddNew = false;
  answerMac(0);
  answerMac(1);
  ASSERT_EQ(buildScanRange("10.0.0.1", "10.0.0.2"), ScanRange::Built);
  ASSERT_TRUE(beginScanPass());
  ASSERT_TRUE(waitForHandOffs(2));
  // The first report lets worker 1's message in, as a window system may while the
  // handler waits on another thread's window.
  static bool nested;
  nested = false;
  uiHooks.journalLine = [](const char* w, const char*) {
    ui.windowLines.push_back(w);
    if (!nested) {
      nested = true;
      EXPECT_EQ(handleHandOff(1), 1);
    }
  };
  ASSERT_EQ(handleHandOff(0), 0);
  EXPECT_FALSE(scanRunning);
  ASSERT_EQ(ui.windowLines.size(), 2u);  // each host compared once
  EXPECT_NE(ui.windowLines[1].find("10.0.0.2"), std::string::npos);
  EXPECT_EQ(shownRows().size(), 2u);
}

TEST_F(Scanner, RecordsOutliveTheFrontEndWhileWorkersProbe) {
  for (int i = 0; i < 3; ++i) answerMac(i);
  fakeHoldProbes(true);
  ASSERT_EQ(buildScanRange("10.0.0.1", "10.0.0.3"), ScanRange::Built);
  ASSERT_TRUE(beginScanPass());
  ASSERT_TRUE(probesBegun(3));
  keepScanRecordsForWorkers();  // the page goes; the vector's storage must not
  ScanResults.shrink_to_fit();
  ScanResults.assign(64, makeEntry());  // fresh storage that a worker must not touch
  fakeHoldProbes(false);  // the workers now write their results (a sanitizer run sees it)
  ASSERT_TRUE(runPassToEnd());
  for (const AddressEntry& e : ScanResults) EXPECT_EQ(e.probeState, 0);
}

// A forged message (any process may send the page one) names a slot whose worker probes,
// carries a wrong token, or repeats a hand-off already taken: none may hand out or end the
// pass, or a new run would rebuild ScanResults under the workers (a sanitizer run sees it).
TEST_F(Scanner, ForgedHandOffsNeitherHandOutNorEndAPass) {
  for (int i = 0; i < 3; ++i) answerMac(i);
  fakeHoldProbes(true);
  ASSERT_EQ(buildScanRange("10.0.0.1", "10.0.0.3"), ScanRange::Built);
  ASSERT_TRUE(beginScanPass());
  ASSERT_TRUE(probesBegun(3));
  const std::uint64_t token0 = handOffToken(&workerSlots[0]);
  const std::uint64_t token1 = handOffToken(&workerSlots[1]),
                      token2 = handOffToken(&workerSlots[2]);
  const std::pair<std::uint64_t, std::uint64_t> forged[] = {
      {0, token0}, {1, token1},  {2, token2},  {0, 0},          {0, token0 + 2},
      {3, token0}, {15, token0}, {16, token0}, {~0ull, token0}, {2, token0}};
  for (auto [slot, token] : forged) EXPECT_FALSE(takeHandOff(slot, token)) << slot;
  EXPECT_TRUE(scanRunning);
  EXPECT_EQ(activeWorkers, 3);
  EXPECT_EQ(ui.status[2], "Опрос: Выполняется...");

  // The worker's own hand-off is taken once; the same message again is refused.
  fakeReleaseProbe(net(parseIpv4("10.0.0.1")));
  ASSERT_TRUE(waitForHandOffs(1));
  EXPECT_FALSE(takeHandOff(0, token0 + 2));
  ASSERT_EQ(handleHandOff(0), 0);
  EXPECT_FALSE(takeHandOff(0, token0));
  EXPECT_EQ(ui.status[2], "Опрос: Выполняется... 1 из 3");
  fakeHoldProbes(false);
  ASSERT_TRUE(runPassToEnd());
  EXPECT_EQ(ui.status[2], "Опрос: Готово");

  // A new run over fresh records; the old pass's tokens no longer count.
  ASSERT_EQ(buildScanRange("10.0.0.1", "10.0.0.2"), ScanRange::Built);
  ScanResults.shrink_to_fit();
  ASSERT_TRUE(beginScanPass());
  EXPECT_NE(handOffToken(&workerSlots[0]), token0);
  ASSERT_TRUE(runPassToEnd());
  EXPECT_EQ(shownRows().size(), 2u);
}

// Out of memory while a found host is learned: reported, nothing stored, and the next
// message still shows its rows.
TEST_F(Scanner, AFailedLearnIsReportedAndLaterRowsStillShow) {
  SKIP_WITHOUT_FAILING_ALLOCATIONS();
  ScratchDir dir;
  settings.ScanCheckMac = true;
  settings.MaxScanThreads = 1;
  for (int i = 0; i < 2; ++i) answerMac(i);
  SampleList.clear();
  SampleList.shrink_to_fit();
  static std::optional<FailingAllocations> failing;
  uiHooks.journalLine = [](const char* w, const char*) {
    failing.reset();
    ui.windowLines.push_back(w);
    if (ui.windowLines.size() == 1) failing.emplace();  // the learn after the first report
  };
  ASSERT_EQ(buildScanRange("10.0.0.1", "10.0.0.2"), ScanRange::Built);
  ASSERT_TRUE(beginScanPass());
  ASSERT_TRUE(runPassToEnd());
  failing.reset();
  ASSERT_EQ(ui.windowLines.size(), 3u);
  EXPECT_NE(ui.windowLines[1].find("Ошибка выделения памяти."), std::string::npos);
  EXPECT_EQ(shownRows().size(), 2u);
  ASSERT_EQ(SampleList.size(), 1u);  // the second host, learned when memory was back
  EXPECT_STREQ(SampleList[0].ipText, "10.0.0.2");
}
