#pragma once
// What the logic asks of the user interface. The front end fills uiHooks at start-up;
// tests fill it with recorders. Every hook may be left null: the call is then skipped.
// All hooks but journalLine and popUpMessages are called on the main thread only.
#include <cstddef>

struct AddressEntry;

enum class ListId { Arp, Samples, Scan, Routes, Neighbours6, Samples6, Routes6 };
enum class MessageIcon { Error, Information, Question };

struct UiHooks {
  // List views (refills: clear, then append row by row).
  void (*clearList)(ListId list);
  int (*appendRow)(ListId list, const char* column0);  // new row index or -1
  // On a list that reads its rows when it draws them (showRows), the row is drawn anew.
  void (*setCell)(ListId list, int row, int column, const char* text);
  void (*markSortedColumn)(ListId list, int column);  // -1 removes the mark
  // Between hold true and hold false the list is not redrawn; the release repaints it once.
  void (*holdRedraw)(ListId list, bool hold);
  // A list that reads its rows from the owner's list when it draws them (list_views.h says
  // which cells) only learns their number: as a refill, the selection goes and every row is
  // read anew. False when this list keeps rows of its own: the owner refills it instead.
  bool (*showRows)(ListId list, std::size_t rows);

  // A scan pass shows a live host, its row just appended to the scan list (-1: the front end
  // keeps no list). A window scrolls the row into view; a console prints the host.
  void (*scanHostShown)(const AddressEntry& host, int row);

  // Status bar part 0, 1 or 2.
  void (*setStatusText)(int part, const char* text);

  // One journal line. windowLine is "HH:MM:SS " + text + CR LF, logLine the same with the
  // date stamp. May be called from the mail thread: a GUI must hand it to its own thread.
  void (*journalLine)(const char* windowLine, const char* logLine);
  // Show the message window in the topmost band (any thread, as journalLine).
  void (*popUpMessages)();

  void (*messageBox)(const char* text, MessageIcon icon);
  bool (*askYesNo)(const char* text, const char* caption);

  void (*stopCheckTimer)();  // timer 2005
  void (*endProgram)();      // destroy the main window after a fatal error
  void (*pumpMessages)();    // handle every waiting message of the main thread, without blocking
  void (*sleepMs)(int ms);
  // Reads the ARP table for a due check on a thread of its own, so that the window answers
  // however long the system takes; true when a read is under way (the front end hands its
  // result to finishCheck on the main thread). Null or false: the check reads at once.
  bool (*readTableAside)();
};

extern UiHooks uiHooks;

// The caption of every message box: the product name followed by 39 blanks.
extern const char* const messageCaption;

// Checked calls, so the logic never tests for null itself.
void uiClearList(ListId list);
int uiAppendRow(ListId list, const char* column0);
void uiSetCell(ListId list, int row, int column, const char* text);
void uiMarkSortedColumn(ListId list, int column);
void uiScanHostShown(const AddressEntry& host, int row);
void uiHoldRedraw(ListId list, bool hold);
bool uiShowRows(ListId list, std::size_t rows);
void uiMessageBox(const char* text, MessageIcon icon);
bool uiAskYesNo(const char* text, const char* caption);
void uiStopCheckTimer();
void uiEndProgram();
void uiPumpMessages();
void uiSleepMs(int ms);
bool uiReadTableAside();
