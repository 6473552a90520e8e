// The machine-readable forms of a journal line: RFC 5424 messages, their framing and cut,
// the parsed fields, the time with its offset, the settings' checks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

#include "report/event_text.h"
#include "report/journal.h"
#include "report/json_line.h"
#include "report/syslog_message.h"
#include "report/syslog_settings.h"

namespace {

std::string u8s(const char8_t* s) { return reinterpret_cast<const char*>(s); }

const platform::WallClock kTime{2013, 3, 5, 14, 7, 9, 2};

SyslogEntry entry(const char* text, std::int32_t kind) {
  SyslogEntry e;
  e.text = text;
  e.kind = kind;
  e.time = kTime;
  return e;
}

const SyslogOrigin kOrigin{"arp-watch-1", 4242};

}  // namespace

TEST(SyslogMessage, KindsNotSeenInTheLabHaveTheirMsgIdSeverityAndCount) {
  // Several bits take the most severe kind; none is Info.
  EXPECT_STREQ(eventKindNames(NewAddress | Spoofing).msgId, "SPOOF");
  EXPECT_STREQ(eventKindNames(128).msgId, "INFO");
  SyslogEntry note = entry("", kDroppedNoteKind);
  note.dropped = 1234;
  const std::pair<SyslogEntry, const char*> rows[] = {
      {entry("x", ProgramError), "<27>1 "},
      {entry("x", AdditionalIp), "<28>1 "},
      {entry("x", MailError), "<28>1 "},
      {note, "<28>1 "},
  };
  for (const auto& [e, head] : rows) EXPECT_EQ(syslogMessage(e, kOrigin).substr(0, 6), head);
  EXPECT_NE(
      syslogMessage(note, kOrigin).find("DROPPED [vetrel@32473 kind=\"Dropped\" count=\"1234\"]"),
      std::string::npos);
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
  EXPECT_EQ(octetCountedFrame(u8s(u8"я")), "2 " + u8s(u8"я"));  // octets, not characters
  const auto cut = [](std::string s, std::size_t limit) { return cutUtf8(s, limit), s; };
  const std::string ya = u8s(u8"я"), euro = u8s(u8"€");
  EXPECT_EQ(cut("abcdef", 10), "abcdef");
  EXPECT_EQ(cut("ab" + ya, 3), "ab");
  EXPECT_EQ(cut("ab" + ya, 4), "ab" + ya);
  EXPECT_EQ(cut("a" + euro + "b", 3), "a");
  EXPECT_EQ(cut("a" + euro + "b", 4), "a" + euro);
  EXPECT_EQ(cut(euro, 0), "");
  // The longest journal line, all Cyrillic, with a long host: cut below 2,048 on a boundary.
  SyslogEntry e = entry(std::string(509, '\xFF').c_str(), Info);
  std::string m = syslogMessage(e, SyslogOrigin{std::string(255, 'h'), 1});
  m += m;  // longer than any real message, to make the cut happen
  cutUtf8(m, kSyslogUdpMax);
  EXPECT_LE(m.size(), kSyslogUdpMax);
  EXPECT_EQ(static_cast<unsigned char>(m.back()), 0x8F);  // the last byte of a whole "я"
}

// Whole spoofing and new-address lines are read back from rsyslogd and --json in the lab.
TEST(EventFields, AddressLinesGiveTheirFieldsOthersNone) {
  struct Row {
    const char* text;
    std::int32_t kind;
    const char* fields;  // ip mac sampleIp sampleMac|previousMac|etherSource|interface
  };
  const Row rows[] = {
      {"Подмена адреса! 10.0.0.5 02-aa (10.0.0.* 02-bb)", Spoofing,
       "10.0.0.5 02-aa 10.0.0.* 02-bb|||"},
      {"Новый IP-адрес! 10.0.0.7 02-cc", Info, "   |||"},  // the kind decides
      {"Подмена адреса! 10.0.0.5", Spoofing, "10.0.0.5   |||"},
      {"Подмена адреса! 10.0.0.5 02-aa 10.0.0.5 02-bb", Spoofing, "10.0.0.5 02-aa  |||"},
      {"Ошибка восстановления MAC для IP 10.0.0.5", ProgramError, "   |||"},
      {"Возврат прежнего MAC! 10.0.0.5 02-aa (прежний MAC 02-bb, Ethernet 02-cc, интерфейс e, 1))",
       Spoofing, "10.0.0.5 02-aa  |02-bb|02-cc|e, 1)"},
      {"Адрес вне подсетей! 10.9.0.5 02-aa (Ethernet 02-cc, интерфейс eth0)", Info,
       "10.9.0.5 02-aa  ||02-cc|eth0"},
      {"Конфликт адреса! 10.0.0.3: ответы с 02-03 и 02-99", Spoofing, "10.0.0.3 02-99  |||"},
      {"Чужой маршрутизатор IPv6! fe80::1 02-aa (образец fe80::* 02-bb; маршрут по умолчанию, "
       "интерфейс 2)",
       Spoofing, "fe80::1 02-aa fe80::* 02-bb|||"},
      {"Чужой маршрутизатор IPv6! fe80::2 02-cc (время жизни 0 с)", Spoofing, "fe80::2 02-cc  |||"},
      {"Чужой DHCPv6-сервер! fe80::3 02-dd (DNS 2001:db8::53)", Spoofing, "fe80::3 02-dd  |||"},
      {"Новый DNS-сервер! 192.0.2.53 (адаптер Ethernet (2))", Spoofing,
       "192.0.2.53   |||Ethernet (2)"},
  };
  for (const Row& r : rows) {
    const EventFields f = parseEventFields(r.text, r.kind);
    const std::string got = std::string(f.ip) + " " + std::string(f.mac) + " " +
                            std::string(f.sampleIp) + " " + std::string(f.sampleMac) + "|" +
                            std::string(f.previousMac) + "|" + std::string(f.etherSource) + "|" +
                            std::string(f.interfaceName);
    EXPECT_EQ(got, r.fields) << r.text;
  }
}

TEST(EventFields, OnlyIpv6LinesNameTheirFamily) {
  const std::pair<const char*, bool> rows[] = {{"10.0.0.5", false}, {"fe80::5", true}};
  for (const auto& [ip, v6] : rows) {
    const std::string text = std::string("Новый IP-адрес! ") + ip + " 02-aa";
    const std::string j = journalJson(text, NewAddress, kTime, 0);
    EXPECT_EQ(j.find(",\"ip\":\"fe80::5\",\"family\":\"ipv6\",") != std::string::npos, v6);
    EXPECT_EQ(j.find("family") != std::string::npos, v6);
    const std::string m = syslogMessage(entry(text.c_str(), NewAddress), kOrigin);
    EXPECT_EQ(m.find(" ip=\"fe80::5\" family=\"ipv6\" mac=") != std::string::npos, v6);
    EXPECT_EQ(m.find("family") != std::string::npos, v6);
  }
}

TEST(EventTime, Rfc3339WithTheOffsetInForceAtThatTime) {
  EXPECT_EQ(rfc3339Time(kTime, 0), "2013-03-05T14:07:09Z");
  EXPECT_EQ(rfc3339Time(kTime, -330), "2013-03-05T14:07:09-05:30");
  const char* saved = std::getenv("TZ");
  const std::string old = saved ? saved : "";
  struct Row {
    const char* tz;
    platform::WallClock t;
    int offset;
  };
  const Row rows[] = {
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

// Good values are read in the lab; so is the journalling of a bad one.
TEST(SyslogSettingsCheck, DefaultsAndEachBadValue) {
  SyslogSettings s;
  std::string problem;
  ASSERT_TRUE(parseSyslogSettings("", "", "", "", s, problem));
  EXPECT_TRUE(s.SyslogServer[0] == 0 && s.SyslogPort == 514 && !s.tcp &&
              s.SyslogMask == kAllEventKinds);
  struct Bad {
    const char *server, *port, *proto, *mask, *key;
  };
  const Bad bad[] = {
      {"logs host", "", "", "", "SyslogServer"}, {"h", "0", "", "", "SyslogPort"},
      {"h", "65536", "", "", "SyslogPort"},      {"h", "51x", "", "", "SyslogPort"},
      {"h", "-1", "", "", "SyslogPort"},         {"h", "", "rfc3164", "", "SyslogProto"},
      {"h", "", "", "0", "SyslogMask"},          {"h", "", "", "8", "SyslogMask"},
      {"h", "", "", "511", "SyslogMask"},        {"", "99999999999", "", "", "SyslogPort"},
      {"h", "", "", "0x4", "SyslogMask"},
  };
  for (const Bad& b : bad) {
    EXPECT_FALSE(parseSyslogSettings(b.server, b.port, b.proto, b.mask, s, problem)) << b.key;
    EXPECT_NE(problem.find(b.key), std::string::npos) << problem;
    EXPECT_EQ(s.SyslogServer[0], 0) << b.key;  // the sender stays off
  }
}
