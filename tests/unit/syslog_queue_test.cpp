// The bounded queue between the journal and the syslog sender.
#include "report/syslog_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "report/event_text.h"

namespace {

SyslogEntry line(int n) {
  SyslogEntry e;
  e.text = std::to_string(n);
  e.kind = 16;
  e.time = {2013, 3, 5, 14, 7, 9, 2};
  return e;
}

std::string texts(const std::vector<SyslogEntry>& v) {
  std::string s;
  for (const SyslogEntry& e : v)
    s += (e.kind == kDroppedNoteKind ? "drop" + std::to_string(e.dropped) : e.text) + " ";
  return s;
}

}  // namespace

TEST(SyslogQueue, FullQueueLosesTheOldestAndOneNoteCountsThem) {
  SyslogQueue q;
  q.capacity = 3;
  for (int i = 1; i <= 7; ++i) pushSyslog(q, line(i));
  EXPECT_EQ(syslogQueueLength(q), 3u);
  std::vector<SyslogEntry> out;
  ASSERT_TRUE(takeSyslog(q, out, 10, 0));
  EXPECT_EQ(texts(out), "drop4 5 6 7 ");
  EXPECT_EQ(out[0].time.year, 2013);        // timed where the gap is
  EXPECT_FALSE(takeSyslog(q, out, 10, 0));  // the count started again
}

TEST(SyslogQueue, UnsentLinesGoBackToTheFrontWithinTheCapacity) {
  SyslogQueue q;
  q.capacity = 4;
  for (int i = 1; i <= 3; ++i) pushSyslog(q, line(i));
  std::vector<SyslogEntry> out;
  takeSyslog(q, out, 2, 0);
  EXPECT_EQ(texts(out), "1 2 ");  // at most the batch
  returnSyslog(q, out);
  takeSyslog(q, out, 3, 0);
  pushSyslog(q, line(4));
  pushSyslog(q, line(5));
  returnSyslog(q, out);  // room for two of the three: the oldest goes
  EXPECT_TRUE(out.empty());
  takeSyslog(q, out, 10, 0);
  EXPECT_EQ(texts(out), "drop1 2 3 4 5 ");
  // A note that went back is folded into the next one with new losses.
  returnSyslog(q, out);
  for (int i = 6; i <= 8; ++i) pushSyslog(q, line(i));
  takeSyslog(q, out, 10, 0);
  EXPECT_EQ(texts(out), "drop4 5 6 7 8 ");  // 1 + the three oldest
}

TEST(SyslogQueue, TakeWaitsForALineOrAStop) {
  SyslogQueue q;
  std::vector<SyslogEntry> out;
  EXPECT_FALSE(takeSyslog(q, out, 10, 50));
  const auto t0 = std::chrono::steady_clock::now();
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    pushSyslog(q, line(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    stopSyslogQueue(q);
  });
  EXPECT_TRUE(takeSyslog(q, out, 10, 5000));
  EXPECT_FALSE(takeSyslog(q, out, 10, 5000));  // the stop wakes it
  other.join();
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(4));
}
