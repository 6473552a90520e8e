#include "ui_recorder.h"

#include "base/address.h"

UiRecorder ui;

void installUiRecorder() {
  ui = UiRecorder{};
  uiHooks = UiHooks{};
  uiHooks.clearList = [](ListId l) {
    ui.lists[l].clear();
    ++ui.clears[l];
  };
  uiHooks.appendRow = [](ListId l, const char* c0) {
    ui.lists[l].push_back({c0});
    return static_cast<int>(ui.lists[l].size()) - 1;
  };
  uiHooks.setCell = [](ListId l, int row, int col, const char* text) {
    auto& r = ui.lists[l].at(row);
    if (r.size() <= static_cast<std::size_t>(col)) r.resize(col + 1);
    r[col] = text;
  };
  uiHooks.markSortedColumn = [](ListId l, int col) { ui.sortMarks[l] = col; };
  uiHooks.scanHostShown = [](const AddressEntry& e, int row) {
    ui.scanHosts.emplace_back(e.ipText, row);
  };
  uiHooks.setStatusText = [](int part, const char* text) {
    if (part >= 0 && part < 3) ui.status[part] = text;
  };
  uiHooks.journalLine = [](const char* w, const char* l) {
    ui.windowLines.push_back(w);
    ui.logLines.push_back(l);
  };
  uiHooks.popUpMessages = [] { ++ui.popUps; };
  uiHooks.messageBox = [](const char* t, MessageIcon i) { ui.boxes.emplace_back(t, i); };
  uiHooks.askYesNo = [](const char* t, const char*) {
    ui.questions.push_back(t);
    return ui.answerYes;
  };
  uiHooks.stopCheckTimer = [] { ++ui.timerStops; };
  uiHooks.endProgram = [] { ++ui.programEnds; };
  uiHooks.pumpMessages = [] { ++ui.pumps; };
  uiHooks.sleepMs = [](int ms) { ui.sleeps.push_back(ms); };
}
