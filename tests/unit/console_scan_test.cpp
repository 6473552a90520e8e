// `vetrel scan` on the console side: the operands it accepts, and the hand-off through the
// main queue printing each row once it is shown, in address order, journal lines apart.
// --json output is proven in the scan lab.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/linux/console_session.h"
#include "app/linux/console_text.h"
#include "app/linux/main_queue.h"
#include "app/linux/scan_command.h"
#include "app/linux/scan_handoff.h"
#include "core/address.h"
#include "core/text_field.h"
#include "fake/fake_platform.h"
#include "scan/scanner.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace {

TEST(ScanOperands, OnlyFourDottedNumbersUpTo255) {
  struct {
    const char* text;
    bool ok;
    std::uint32_t value;
  } const cases[] = {
      {"10.66.1.254", true, 0x0A4201FE},
      {"0.0.0.0", true, 0},
      {"255.255.255.255", true, 0xFFFFFFFF},
      {"010.0.0.1", true, 0x0A000001},
      {"256.0.0.1", false, 0},
      {"10.0.0", false, 0},
      {"10.0.0.1.", false, 0},
      {" 10.0.0.1", false, 0},
      {"10.0.0.1x", false, 0},
      {"10..0.1", false, 0},
      {"0010.0.0.1", false, 0},
      {"-1.0.0.0", false, 0},
      {"", false, 0},
      {"a.b.c.d", false, 0},
  };
  for (const auto& c : cases) {
    std::uint32_t value = 7;
    EXPECT_EQ(parseScanAddress(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.ok ? c.value : 7u) << c.text;
  }
}

TEST(ScanOperands, SummaryLine) {
  EXPECT_EQ(scanSummaryLine(false, 200, 254, 254, 0.704),
            "scan done: 200 found, 254 of 254 addresses probed, 0.70 s");
  EXPECT_EQ(scanSummaryLine(true, 87, 100, 254, 12.0),
            "scan interrupted: 87 found, 100 of 254 addresses probed, 12.00 s");
}

std::uint32_t net(std::uint32_t hostOrder) { return hostToNetwork(hostOrder); }
constexpr std::uint32_t kFirst = 0x0A090001;  // 10.9.0.1

std::vector<std::thread> workers;
bool startJoinable(std::int32_t* slot) {
  workers.emplace_back(scanWorker, slot);
  return true;
}

class ConsoleScan : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFake();
    resetConsoleSession();
    settings = Settings{};
    SampleList.clear();
    ScanResults.clear();
    repeatArmed = false;
    out = (dir.path / "stdout.txt").string();
    err = (dir.path / "stderr.txt").string();
    consoleOut.fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    consoleErr.fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    consoleOut.utf8 = consoleErr.utf8 = false;
    installConsoleHooks();
    session.journalToStderr = session.printScanRows = true;
    createScanLock();
    scanFrontEnd = ScanFrontEnd{};
    scanFrontEnd.handOff = consoleScanHandOff;
    scanFrontEnd.startWorker = startJoinable;
  }
  void TearDown() override {
    fakeHoldProbes(false);
    while (scanRunning && handleOne()) {
    }
    for (std::thread& t : workers) t.join();
    workers.clear();
    deleteScanLock();
    scanFrontEnd = ScanFrontEnd{};
    ::close(consoleOut.fd);
    ::close(consoleErr.fd);
    consoleOut.fd = 1;
    consoleErr.fd = 2;
  }
  // The console main loop's share: one hand-off taken from the queue and run.
  static bool handleOne() {
    MainEvent event{MainEventKind::RouteChange, 0};
    if (!waitMainEvent(mainQueue, std::chrono::steady_clock::now() + std::chrono::seconds(10),
                       event) ||
        event.kind != MainEventKind::ScanHandOff)
      return false;
    runScanHandOff(event.data);
    return true;
  }
  ScratchDir dir;
  std::string out, err;
};

// Addresses 1, 3 and 4 answer, 2 is dead; they finish in the order 4, 1, 2, 3.
TEST_F(ConsoleScan, RowsPrintOnceShownInAddressOrderJournalLinesOnStderr) {
  for (std::uint8_t i : {0, 2, 3}) fake.macAnswers[net(kFirst + i)] = {2, 0, 0, 0, 0, i};
  settings.MaxScanThreads = 4;
  settings.ScanCheckMac = true;
  SampleList.push_back(makeEntry());
  copyField(SampleList[0].ipText, "10.9.0.1");
  copyField(SampleList[0].macText, "02-00-00-00-00-99");
  ASSERT_EQ(buildScanRange(kFirst, kFirst + 3), ScanRange::Built);
  fakeHoldProbes(true);
  ASSERT_TRUE(beginScanPass());

  const struct {
    int release;
    const char* stdoutSoFar;
  } steps[] = {
      {3, ""},
      {0, "10.9.0.1\t02-00-00-00-00-00\t\n"},
      {1, "10.9.0.1\t02-00-00-00-00-00\t\n"},
      {2,
       "10.9.0.1\t02-00-00-00-00-00\t\n10.9.0.3\t02-00-00-00-00-02\t\n"
       "10.9.0.4\t02-00-00-00-00-03\t\n"},
  };
  for (const auto& s : steps) {
    fakeReleaseProbe(net(kFirst + s.release));
    ASSERT_TRUE(handleOne()) << s.release;
    EXPECT_EQ(readFile(out), s.stdoutSoFar) << s.release;
  }
  while (scanRunning) ASSERT_TRUE(handleOne());
  // The end of the pass refills the list without printing it again.
  EXPECT_EQ(session.scanRows.size(), 3u);
  EXPECT_EQ(readFile(out), steps[3].stdoutSoFar);
  const std::string journal = readFile(err);
  EXPECT_NE(journal.find("10.9.0.1 02-00-00-00-00-00 (10.9.0.1 02-00-00-00-00-99)\r\n"),
            std::string::npos)
      << journal;
  EXPECT_EQ(journal.substr(0, 20), "05.03.2013 14:07:09 ");  // the log's stamp
}

}  // namespace
