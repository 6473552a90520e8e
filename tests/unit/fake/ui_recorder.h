#pragma once
// Records what the logic asks of the user interface.
#include <map>
#include <string>
#include <vector>

#include "base/ui_hooks.h"

struct UiRecorder {
  std::map<ListId, std::vector<std::vector<std::string>>> lists;  // rows of cells
  std::map<ListId, int> clears;
  std::map<ListId, int> sortMarks;                     // last column marked
  std::vector<std::pair<std::string, int>> scanHosts;  // IP and row of each host shown
  std::string status[3];
  std::vector<std::string> windowLines;  // as the message window receives them
  std::vector<std::string> logLines;
  int popUps = 0;
  std::vector<std::pair<std::string, MessageIcon>> boxes;
  std::vector<std::string> questions;
  bool answerYes = true;
  int timerStops = 0;
  int programEnds = 0;
  int pumps = 0;
  std::vector<int> sleeps;
};

extern UiRecorder ui;
void installUiRecorder();  // a fresh recorder in uiHooks

// Bytes of a UTF-8 literal as the program's Windows-1251 literals hold them.
// (Test sources are compiled with the same execution charset, so literals already match.)
