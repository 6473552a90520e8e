#include "forms/settings_form.h"

#include <mutex>

#include "base/text_field.h"
#include "ipv6/neighbour6_view.h"
#include "ipv6/route6_view.h"
#include "ipv6/watch6.h"
#include "report/journal.h"
#include "report/mail_thread.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool blankText(const std::string& text) {
  for (char c : text)
    if (!isBlank(c)) return false;
  return true;
}

bool inRange(std::uint32_t value, std::uint32_t low, std::uint32_t high) {
  return value >= low && value <= high;
}

// An empty field and 0 (what the dialog writes for an empty field) mean "not set": the
// sender takes port 25. Anything else must be a port.
bool usableMailPort(const std::string& text) {
  if (inRange(readUnsignedField(text), 1, 65535) || blankText(text)) return true;
  std::size_t digits = 0;
  for (char c : text) {
    if (c == '0')
      ++digits;
    else if (!isBlank(c))
      return false;
  }
  return digits > 0;
}

const MailTextField kMailTexts[] = {
    {"Кому", &SettingsForm::MailTo},       {"От", &SettingsForm::MailFrom},
    {"Сервер", &SettingsForm::MailServer}, {"Логин", &SettingsForm::MailLogin},
    {"Пароль", &SettingsForm::MailPassw},
};

}  // namespace

std::int32_t offeredBits(std::size_t itemCount) {
  std::int32_t bits = 0;
  for (std::size_t i = 0; i < itemCount && i < std::size(kEventItems); ++i)
    bits |= kEventItems[i].bit;
  return bits;
}

SettingsForm formFromSettings(const Settings& s) {
  SettingsForm f;
  f.AddNew = s.AddNew;
  f.AddAddIp = s.AddAddIp;
  f.CheckMac = s.CheckMac;
  f.Restore = s.Restore;
  f.BlockNew = s.BlockNew;
  f.HideMessageWindow = !s.ShowMsg;
  f.WriteLog = s.WriteLog;
  f.CheckInt = unsignedText(s.CheckInt);
  f.MaxScanThreads = unsignedText(s.MaxScanThreads);
  f.SaveStat = s.SaveStat;
  f.RunOnStart = s.RunOnStart;
  f.HideOnRun = s.HideOnRun;
  f.MsgToMail = s.MsgToMail;
  f.MailTo = fieldView(s.MailTo);
  f.MailFrom = fieldView(s.MailFrom);
  f.MailServer = fieldView(s.MailServer);
  f.MailPort = unsignedText(s.MailPort);
  f.MailLogin = fieldView(s.MailLogin);
  f.MailPassw = fieldView(s.MailPassw);
  f.MsgMask = s.MsgMask;
  f.MailMask = s.MailMask;
  f.WatchIpv6 = s.WatchIpv6;
  return f;
}

std::uint32_t readUnsignedField(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  const std::size_t first = i;
  std::uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (value > 0xffffffffu) return 0;
  }
  if (i == first) return 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  return i == text.size() ? static_cast<std::uint32_t>(value) : 0;
}

std::string unsignedText(std::int32_t value) {
  return std::to_string(static_cast<std::uint32_t>(value));
}

const char* settingsVerdictText(SettingsVerdict verdict) {
  switch (verdict) {
    case SettingsVerdict::BadThreadCount:
      return "Количество потоков должно быть   \nв пределах от 1 до 16.";
    case SettingsVerdict::BadInterval:
      return "Интервал проверок должен быть   \nв пределах от 2 до 60 сек.";
    case SettingsVerdict::Contradiction:
      return "Нельзя включать одновременно «Пополнять образцы»    \nи «Подменять MAC для новых "
             "IP».";
    case SettingsVerdict::BadMailPort:
      return "Неверный порт «Порт» — нужно число от 1 до 65535.";
    case SettingsVerdict::NoMailServer:
      return "Не указан сервер «Сервер» — без него сообщения по почте не отправить.";
    case SettingsVerdict::NoMailReceiver:
      return "Не указан получатель «Кому» — без него сообщения по почте не отправить.";
    case SettingsVerdict::TextTooLong:
      return "Слишком длинное значение почтового поля — не больше 31 символа.";
    case SettingsVerdict::Applied:
      break;
  }
  return "";
}

const MailTextField* tooLongMailText(const SettingsForm& form) {
  for (const MailTextField& t : kMailTexts)
    if ((form.*t.field).size() > kMailTextMax) return &t;
  return nullptr;
}

std::string settingsRefusalText(SettingsVerdict verdict, const SettingsForm& form) {
  if (verdict == SettingsVerdict::BadMailPort)
    return "Неверный порт «Порт»: " + form.MailPort + " — нужно число от 1 до 65535.";
  const MailTextField* longText = tooLongMailText(form);
  if (verdict != SettingsVerdict::TextTooLong || !longText) return settingsVerdictText(verdict);
  // Cut, an address would send the mail elsewhere: the whole text or a refusal.
  const std::string& text = form.*longText->field;
  const bool secret = longText->field == &SettingsForm::MailPassw;
  return std::string("Слишком длинное значение «") + longText->label +
         "»: " + (secret ? "" : text + " — ") + std::to_string(text.size()) +
         " символов, а поле вмещает не больше 31.";
}

SettingsVerdict checkSettingsForm(const SettingsForm& form) {
  if (!inRange(readUnsignedField(form.MaxScanThreads), 1, 16))
    return SettingsVerdict::BadThreadCount;
  if (!inRange(readUnsignedField(form.CheckInt), 2, 60)) return SettingsVerdict::BadInterval;
  if (form.AddNew && form.BlockNew) return SettingsVerdict::Contradiction;
  // Mail settings matter only when mail is sent; with mail off they block nothing.
  const bool mailing = form.MsgToMail && (form.MailMask & offeredBits(kMailMaskItems)) != 0;
  if (mailing && !usableMailPort(form.MailPort)) return SettingsVerdict::BadMailPort;
  if (mailing && blankText(form.MailServer)) return SettingsVerdict::NoMailServer;
  if (mailing && blankText(form.MailTo)) return SettingsVerdict::NoMailReceiver;
  if (tooLongMailText(form)) return SettingsVerdict::TextTooLong;
  return SettingsVerdict::Applied;
}

SettingsVerdict applySettingsForm(const SettingsForm& form) {
  // Steps 1, 2 and 5 are all tested before step 3 stores anything: the dialog shows the same
  // messages in the same order, and a cancel after the contradiction finds nothing half-kept.
  const SettingsVerdict verdict = checkSettingsForm(form);
  if (verdict != SettingsVerdict::Applied) return verdict;

  settings.MaxScanThreads = static_cast<std::int32_t>(readUnsignedField(form.MaxScanThreads));
  const auto interval = static_cast<std::int32_t>(readUnsignedField(form.CheckInt));
  if (interval != settings.CheckInt) settings.CheckInt = interval;

  settings.AddNew = form.AddNew;
  settings.AddAddIp = form.AddAddIp;
  settings.CheckMac = form.CheckMac;
  settings.Restore = form.Restore;
  settings.BlockNew = form.BlockNew;

  if (form.WriteLog != settings.WriteLog) switchLogging(form.WriteLog);

  settings.ShowMsg = !form.HideMessageWindow;
  settings.SaveStat = form.SaveStat;
  settings.HideOnRun = form.HideOnRun;
  if (form.RunOnStart != settings.RunOnStart) {
    settings.RunOnStart = form.RunOnStart;
    setAutostart(form.RunOnStart);
  }

  settings.MsgToMail = form.MsgToMail;
  {
    // A send copies these under the same lock, so it sees all old or all new values.
    std::lock_guard hold(mailSettingsLock);
    copyField(settings.MailTo, form.MailTo);
    copyField(settings.MailFrom, form.MailFrom);
    copyField(settings.MailServer, form.MailServer);
    copyField(settings.MailLogin, form.MailLogin);
    copyField(settings.MailPassw, form.MailPassw);
    settings.MailPort = static_cast<std::int32_t>(readUnsignedField(form.MailPort));
  }

  forgetHeldSettings();
  settings.MsgMask = form.MsgMask & offeredBits(kMsgMaskItems);
  settings.MailMask = form.MailMask & offeredBits(kMailMaskItems);
  if (form.WatchIpv6 != settings.WatchIpv6) {
    settings.WatchIpv6 = form.WatchIpv6;
    // Switched on, the next tick reads afresh; switched off, no IPv6 row stays shown.
    resetIpv6Watch();
    showNeighbours6();
    showRoutes6();
  }
  return SettingsVerdict::Applied;
}
