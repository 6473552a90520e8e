#include "report/start_lines.h"

#include "report/journal.h"
#include "report/syslog_sender.h"
#include "settings/settings.h"

void journalStartLines(const std::vector<std::string>& settingsBounds, bool programStart) {
  if (programStart) {
    if (settings.WriteLog) reportEvent("Начало записи в лог-файл.", Info);
    reportEvent("Запуск программы.", Info);
  }
  for (const std::string& line : settingsBounds) reportEvent(line.c_str(), ProgramError);
  reportSyslogProblem();
}
