// The machine-readable forms of a journal line: RFC 5424 messages, their framing and cut,
// the parsed fields, the time with its offset, the settings' checks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "report/event_text.h"
#include "report/journal.h"
#include "report/syslog_message.h"
#include "report/syslog_settings.h"

namespace {

std::string u8s(const char8_t* s) { return reinterpret_cast<const char*>(s); }

const platform::WallClock kTime{2013, 3, 5, 14, 7, 9, 2};

SyslogEntry entry(const char* text, std::int32_t kind, int offset = 180) {
  SyslogEntry e;
  e.text = text;
  e.kind = kind;
  e.time = kTime;
  e.offsetMinutes = offset;
  return e;
}

const SyslogOrigin kOrigin{"arp-watch-1", 4242};

}  // namespace

TEST(SyslogMessage, SpoofingLineCarriesEveryPartByteForByte) {
  const std::string m = syslogMessage(
      entry("Подмена адреса! 10.0.0.5 02-00-00-00-00-99 (10.0.0.5 02-00-00-00-00-05)", Spoofing),
      kOrigin);
  EXPECT_EQ(m, u8s(u8"<26>1 2013-03-05T14:07:09+03:00 arp-watch-1 vetrel 4242 SPOOF "
                   u8"[vetrel@32473 kind=\"Spoofing\" ip=\"10.0.0.5\" mac=\"02-00-00-00-00-99\" "
                   u8"sampleIp=\"10.0.0.5\" sampleMac=\"02-00-00-00-00-05\"] \uFEFF"
                   u8"Подмена адреса! 10.0.0.5 02-00-00-00-00-99 (10.0.0.5 02-00-00-00-00-05)"));
}

TEST(SyslogMessage, EachKindHasItsMsgIdAndSeverityWithSpoofingAboveNewAddress) {
  struct Row {
    std::int32_t kind;
    const char *head, *id;
  };
  const Row rows[] = {
      {Spoofing, "<26>1 ", "SPOOF"},     {ProgramError, "<27>1 ", "ERROR"},
      {AdditionalIp, "<28>1 ", "ADDIP"}, {MailError, "<28>1 ", "MAILERR"},
      {NewAddress, "<29>1 ", "NEWIP"},   {RouteChange, "<29>1 ", "ROUTE"},
      {Info, "<30>1 ", "INFO"},          {kDroppedNoteKind, "<28>1 ", "DROPPED"},
  };
  for (const Row& r : rows) {
    const std::string m = syslogMessage(entry("x", r.kind), kOrigin);
    EXPECT_EQ(m.substr(0, 6), r.head) << r.id;
    EXPECT_NE(m.find(std::string(" 4242 ") + r.id + " ["), std::string::npos) << m;
  }
  // A value of several bits takes the most severe; one of none is Info.
  EXPECT_STREQ(eventKindNames(NewAddress | Spoofing).msgId, "SPOOF");
  EXPECT_STREQ(eventKindNames(128).msgId, "INFO");
}

TEST(SyslogMessage, LinesWithoutAddressesAndTheDroppedNote) {
  EXPECT_NE(syslogMessage(entry("Изменения таблицы маршрутов", RouteChange), kOrigin)
                .find("ROUTE [vetrel@32473 kind=\"RouteChange\"] \xEF\xBB\xBF"),
            std::string::npos);
  SyslogEntry note = entry("", kDroppedNoteKind);
  note.dropped = 1234;
  note.text = droppedNoteText(1234);
  const std::string m = syslogMessage(note, kOrigin);
  EXPECT_NE(m.find("DROPPED [vetrel@32473 kind=\"Dropped\" count=\"1234\"]"), std::string::npos);
  EXPECT_NE(m.find("1234."), std::string::npos);
}

TEST(SyslogMessage, HostNameAndSdValuesAreMadeSafe) {
  EXPECT_EQ(syslogHostName(""), "-");
  EXPECT_EQ(syslogHostName("my host\x7f\xe9"), "my_host__");
  EXPECT_EQ(syslogHostName(std::string(300, 'h')).size(), 255u);
  std::string v;
  appendSdValue(v, "a\"b\\c]d=e");
  EXPECT_EQ(v, "a\\\"b\\\\c\\]d=e");
  // A sample pattern with those characters stays one parameter.
  const std::string m =
      syslogMessage(entry("Подмена адреса! 1.2.3.4 aa (1.2.\"] bb)", Spoofing), kOrigin);
  EXPECT_NE(m.find("sampleIp=\"1.2.\\\"\\]\""), std::string::npos) << m;
}

TEST(SyslogMessage, FramesCountOctetsAndUdpCutsKeepWholeCharacters) {
  EXPECT_EQ(octetCountedFrame("<30>1 x"), "7 <30>1 x");
  EXPECT_EQ(octetCountedFrame(u8s(u8"я")), "2 " + u8s(u8"я"));
  struct Row {
    std::string in;
    std::size_t limit;
    std::string out;
  };
  const std::string ya = u8s(u8"я"), euro = u8s(u8"€");
  const Row rows[] = {
      {"abcdef", 10, "abcdef"},
      {"abcdef", 3, "abc"},
      {"ab" + ya, 3, "ab"},
      {"ab" + ya, 4, "ab" + ya},
      {"a" + euro + "b", 3, "a"},
      {"a" + euro + "b", 4, "a" + euro},
      {euro, 0, ""},
  };
  for (const Row& r : rows) {
    std::string s = r.in;
    cutUtf8(s, r.limit);
    EXPECT_EQ(s, r.out) << r.in << " " << r.limit;
  }
  // The longest journal line, all Cyrillic, with a long host: cut below 2,048 on a boundary.
  SyslogEntry e = entry(std::string(509, '\xFF').c_str(), Info);
  std::string m = syslogMessage(e, SyslogOrigin{std::string(255, 'h'), 1});
  m += m;  // longer than any real message, to make the cut happen
  cutUtf8(m, kSyslogUdpMax);
  EXPECT_LE(m.size(), kSyslogUdpMax);
  EXPECT_EQ(static_cast<unsigned char>(m.back()), 0x8F);  // the last byte of a whole "я"
}

TEST(EventFields, AddressLinesGiveTheirFieldsOthersNone) {
  struct Row {
    const char* text;
    std::int32_t kind;
    const char *ip, *mac, *sampleIp, *sampleMac;
  };
  const Row rows[] = {
      {"Подмена адреса! 10.0.0.5 02-aa (10.0.0.* 02-bb)", Spoofing, "10.0.0.5", "02-aa", "10.0.0.*",
       "02-bb"},
      {"Новый IP-адрес! 10.0.0.7 02-cc", NewAddress, "10.0.0.7", "02-cc", "", ""},
      {"Дополн. IP-адрес! 10.0.0.8 02-dd", AdditionalIp, "10.0.0.8", "02-dd", "", ""},
      {"Новый IP-адрес! 10.0.0.7 02-cc", Info, "", "", "", ""},  // kind decides
      {"Подмена адреса! 10.0.0.5", Spoofing, "10.0.0.5", "", "", ""},
      {"Подмена адреса! 10.0.0.5 02-aa 10.0.0.5 02-bb", Spoofing, "10.0.0.5", "02-aa", "", ""},
      {"Ошибка восстановления MAC для IP 10.0.0.5", ProgramError, "", "", "", ""},
  };
  for (const Row& r : rows) {
    const EventFields f = parseEventFields(r.text, r.kind);
    EXPECT_EQ(f.ip, r.ip) << r.text;
    EXPECT_EQ(f.mac, r.mac) << r.text;
    EXPECT_EQ(f.sampleIp, r.sampleIp) << r.text;
    EXPECT_EQ(f.sampleMac, r.sampleMac) << r.text;
  }
}

TEST(EventTime, Rfc3339WithTheOffsetInForceAtThatTime) {
  EXPECT_EQ(rfc3339Time(kTime, 0), "2013-03-05T14:07:09Z");
  EXPECT_EQ(rfc3339Time(kTime, 180), "2013-03-05T14:07:09+03:00");
  EXPECT_EQ(rfc3339Time(kTime, -330), "2013-03-05T14:07:09-05:30");
  const char* saved = std::getenv("TZ");
  const std::string old = saved ? saved : "";
  struct Row {
    const char* tz;
    platform::WallClock t;
    int offset;
  };
  const Row rows[] = {
      {"UTC0", kTime, 0},
      {"IST-5:30", kTime, 330},
      {"EST5EDT,M3.2.0,M11.1.0", {2013, 1, 15, 12, 0, 0, 2}, -300},
      {"EST5EDT,M3.2.0,M11.1.0", {2013, 7, 15, 12, 0, 0, 1}, -240},  // summer time that day
  };
  for (const Row& r : rows) {
    ::setenv("TZ", r.tz, 1);
    ::tzset();
    EXPECT_EQ(localOffsetMinutes(r.t), r.offset) << r.tz;
  }
  if (saved)
    ::setenv("TZ", old.c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
}

TEST(SyslogSettingsCheck, DefaultsGoodValuesAndEachBadValue) {
  SyslogSettings s;
  std::string problem;
  ASSERT_TRUE(parseSyslogSettings("", "", "", "", s, problem));
  EXPECT_EQ(s.SyslogServer[0], 0);
  EXPECT_EQ(s.SyslogPort, 514);
  EXPECT_FALSE(s.tcp);
  EXPECT_EQ(s.SyslogMask, kAllEventKinds);
  ASSERT_TRUE(parseSyslogSettings("logs.example.net", "6514", "TCP", "20", s, problem));
  EXPECT_STREQ(s.SyslogServer, "logs.example.net");
  EXPECT_EQ(s.SyslogPort, 6514);
  EXPECT_TRUE(s.tcp);
  EXPECT_EQ(s.SyslogMask, 20);
  struct Bad {
    const char *server, *port, *proto, *mask, *key;
  };
  const Bad bad[] = {
      {"logs host", "", "", "", "SyslogServer"}, {"h", "0", "", "", "SyslogPort"},
      {"h", "65536", "", "", "SyslogPort"},      {"h", "51x", "", "", "SyslogPort"},
      {"h", "-1", "", "", "SyslogPort"},         {"h", "", "rfc3164", "", "SyslogProto"},
      {"h", "", "", "0", "SyslogMask"},          {"h", "", "", "8", "SyslogMask"},
      {"h", "", "", "511", "SyslogMask"},        {"h", "", "", "0x4", "SyslogMask"},
      {"", "99999999999", "", "", "SyslogPort"},
  };
  for (const Bad& b : bad) {
    EXPECT_FALSE(parseSyslogSettings(b.server, b.port, b.proto, b.mask, s, problem)) << b.key;
    EXPECT_NE(problem.find(b.key), std::string::npos) << problem;
    EXPECT_EQ(s.SyslogServer[0], 0) << b.key;  // the sender stays off
  }
}
