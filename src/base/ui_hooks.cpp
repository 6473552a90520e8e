#include "base/ui_hooks.h"

UiHooks uiHooks{};

const char* const messageCaption = "Vetrel                                       ";
static_assert(sizeof("Vetrel                                       ") == 6 + 39 + 1);

void uiClearList(ListId list) {
  if (uiHooks.clearList) uiHooks.clearList(list);
}
int uiAppendRow(ListId list, const char* column0) {
  return uiHooks.appendRow ? uiHooks.appendRow(list, column0) : -1;
}
void uiSetCell(ListId list, int row, int column, const char* text) {
  if (uiHooks.setCell && row >= 0) uiHooks.setCell(list, row, column, text);
}
void uiMarkSortedColumn(ListId list, int column) {
  if (uiHooks.markSortedColumn) uiHooks.markSortedColumn(list, column);
}
void uiScanHostShown(const AddressEntry& host, int row) {
  if (uiHooks.scanHostShown) uiHooks.scanHostShown(host, row);
}
void uiHoldRedraw(ListId list, bool hold) {
  if (uiHooks.holdRedraw) uiHooks.holdRedraw(list, hold);
}
bool uiShowRows(ListId list, std::size_t rows) {
  return uiHooks.showRows && uiHooks.showRows(list, rows);
}
void uiMessageBox(const char* text, MessageIcon icon) {
  if (uiHooks.messageBox) uiHooks.messageBox(text, icon);
}
bool uiAskYesNo(const char* text, const char* caption) {
  return uiHooks.askYesNo ? uiHooks.askYesNo(text, caption) : false;
}
void uiStopCheckTimer() {
  if (uiHooks.stopCheckTimer) uiHooks.stopCheckTimer();
}
void uiEndProgram() {
  if (uiHooks.endProgram) uiHooks.endProgram();
}
void uiPumpMessages() {
  if (uiHooks.pumpMessages) uiHooks.pumpMessages();
}
void uiSleepMs(int ms) {
  if (uiHooks.sleepMs) uiHooks.sleepMs(ms);
}
bool uiReadTableAside() { return uiHooks.readTableAside && uiHooks.readTableAside(); }
