#include "report/event_text.h"

#include <cstdio>
#include <ctime>

#include "report/journal.h"

namespace {

// Most severe first: a value with several bits takes the first that it holds.
constexpr EventKindNames kKinds[] = {
    {4, "Spoofing", "SPOOF", 2},       // critical: someone answers for a known address
    {2, "ProgramError", "ERROR", 3},   // error
    {32, "AdditionalIp", "ADDIP", 4},  // warning: a known MAC claims one more address
    {256, "MailError", "MAILERR", 4},  // warning: the mail did not go out
    {16, "NewAddress", "NEWIP", 5},    // notice
    {64, "RouteChange", "ROUTE", 5},   // notice
    {1, "Info", "INFO", 6},            // informational
};
constexpr EventKindNames kDropped{kDroppedNoteKind, "Dropped", "DROPPED", 4};

// The next blank-separated word of text from pos on (pos moves past it).
std::string_view nextWord(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && text[pos] == ' ') ++pos;
  const std::size_t start = pos;
  while (pos < text.size() && text[pos] != ' ') ++pos;
  return text.substr(start, pos - start);
}

// The wire watch's tail from pos on: "(" [previous ", "] "Ethernet " MAC ", интерфейс " NAME ")".
// The name is the last field, so that one holding ", " or ")" still reads whole.
void parseWireTail(std::string_view text, std::size_t pos, EventFields& f) {
  const std::size_t open = text.find(" (", pos);
  if (open == std::string_view::npos || !text.ends_with(')')) return;
  std::string_view tail = text.substr(open + 2, text.size() - open - 3);
  const auto take = [&tail](std::string_view key, std::string_view& field, bool last) {
    if (!tail.starts_with(key)) return false;
    tail.remove_prefix(key.size());
    const std::size_t end = last ? tail.size() : tail.find(", ");
    if (end == std::string_view::npos) return false;
    field = tail.substr(0, end);
    tail.remove_prefix(last ? end : end + 2);
    return true;
  };
  take(kWireTailPrevious, f.previousMac, false);
  if (take(kWireTailEther, f.etherSource, false)) take(kWireTailInterface, f.interfaceName, true);
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

}  // namespace

const EventKindNames& eventKindNames(std::int32_t kind) {
  if (kind == kDroppedNoteKind) return kDropped;
  for (const EventKindNames& k : kKinds)
    if (kind & k.bit) return k;
  return kKinds[std::size(kKinds) - 1];
}

EventFields parseEventFields(std::string_view text, std::int32_t kind) {
  // What follows the line's address (and MAC): a sample in parentheses, the wire watch's
  // tail, a router's tail (its sample first), nothing more to read, or no MAC but an adapter.
  enum Tail { Sample, Wire, Router, None, Adapter };
  struct Form {
    std::int32_t kind;
    std::string_view prefix;
    Tail tail = Sample;
  };
  static constexpr Form kForms[] = {
      {Spoofing, "Подмена адреса! "},       {NewAddress, "Новый IP-адрес! "},
      {AdditionalIp, "Дополн. IP-адрес! "}, {Spoofing, kWireMismatchLine, Wire},
      {Spoofing, kWireFlipFlopLine, Wire},  {Info, kWireGroupSenderLine, Wire},
      {Info, kWireOffSubnetLine, Wire},     {Spoofing, kRogueRouterLine, Router},
      {Spoofing, kRogueDhcp6Line, None},    {Spoofing, kNewDnsServerLine, Adapter},
  };
  EventFields f;
  // A scan's conflict "Конфликт адреса! IP: ответы с MAC и MAC": the address, and the MAC that
  // answered second as the one to look at; no sample is involved.
  constexpr std::string_view kConflict = "Конфликт адреса! ";
  if (kind == Spoofing && text.starts_with(kConflict)) {
    std::size_t pos = kConflict.size();
    f.ip = nextWord(text, pos);
    if (f.ip.ends_with(':')) f.ip.remove_suffix(1);
    for (int word = 0; word < 5; ++word) f.mac = nextWord(text, pos);
    return f;
  }
  for (const Form& form : kForms) {
    if (kind != form.kind || !text.starts_with(form.prefix)) continue;
    std::size_t pos = form.prefix.size();
    f.ip = nextWord(text, pos);
    if (form.tail == Adapter) {
      // The name is the last field, so that one holding ")" still reads whole.
      const std::string_view tail = text.substr(pos);
      const std::size_t from = 2 + std::string_view(kDnsTailAdapter).size();
      if (tail.starts_with(" (") && tail.substr(2).starts_with(kDnsTailAdapter) &&
          tail.size() > from && tail.ends_with(')'))
        f.interfaceName = tail.substr(from, tail.size() - from - 1);
      return f;
    }
    f.mac = nextWord(text, pos);
    if (form.tail == Wire) {
      parseWireTail(text, pos, f);
      return f;
    }
    if (form.tail == None) return f;
    if (form.tail == Router) {
      const std::string_view tail = text.substr(pos);
      const std::string_view sample = kRouterTailSample;
      if (!tail.starts_with(" (") || !tail.substr(2).starts_with(sample)) return f;
      pos += 2 + sample.size();
      f.sampleIp = nextWord(text, pos);
      f.sampleMac = nextWord(text, pos);
      if (f.sampleMac.ends_with(';') || f.sampleMac.ends_with(')')) f.sampleMac.remove_suffix(1);
      return f;
    }
    if (kind != Spoofing) return f;
    std::string_view ip = nextWord(text, pos);
    std::string_view mac = nextWord(text, pos);
    // The sample's pair stands in parentheses; without them the line is not the known form.
    if (ip.starts_with('(') && mac.ends_with(')')) {
      f.sampleIp = ip.substr(1);
      f.sampleMac = mac.substr(0, mac.size() - 1);
    }
    return f;
  }
  return f;
}

int localOffsetMinutes(const platform::WallClock& t) {
  std::tm local{};
  local.tm_year = t.year - 1900;
  local.tm_mon = t.month - 1;
  local.tm_mday = t.day;
  local.tm_hour = t.hour;
  local.tm_min = t.minute;
  local.tm_sec = t.second;
  local.tm_isdst = -1;  // the rules decide whether summer time holds then
  const std::time_t absolute = std::mktime(&local);
  if (absolute == static_cast<std::time_t>(-1)) return 0;
  const long long asUtc =
      daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) * 86400 +
      t.hour * 3600 + t.minute * 60 + t.second;
  const long long seconds = asUtc - static_cast<long long>(absolute);
  // Offsets are whole minutes; round so that a leap second or a stray second cannot show.
  return static_cast<int>((seconds + (seconds >= 0 ? 30 : -30)) / 60);
}

std::string rfc3339Time(const platform::WallClock& t, int offsetMinutes) {
  char text[40];
  int n = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day,
                        t.hour, t.minute, t.second);
  if (n < 0) return {};
  const std::size_t at = static_cast<std::size_t>(n) < sizeof text ? n : sizeof text - 1;
  if (offsetMinutes == 0) {
    std::snprintf(text + at, sizeof text - at, "Z");
  } else {
    const int m = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    std::snprintf(text + at, sizeof text - at, "%c%02d:%02d", offsetMinutes < 0 ? '-' : '+',
                  m / 60 % 100, m % 60);
  }
  return text;
}
