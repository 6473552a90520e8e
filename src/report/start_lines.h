#pragma once
// The lines a run journals at its start, the same on both programs.
#include <string>
#include <vector>

// With programStart, "Начало записи в лог-файл." (when the log is written) and "Запуск
// программы."; then each loaded setting that was out of bounds, and a syslog problem.
void journalStartLines(const std::vector<std::string>& settingsBounds, bool programStart);
