#pragma once
// The windows and values of the GUI shell, shared by its files. Main thread only, except
// where a comment says otherwise.
// clang-format off
#include <windows.h>  // first: the others need its types
#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>
// clang-format on

#include <string>

#include "ui/win32/list_view.h"
#include "ui/win32/resource_ids.h"

// The program's private window messages.
inline constexpr UINT kScanResultMessage = WM_USER + 100;    // a scan worker, sent to ScanPage
inline constexpr UINT kTrayMessage = WM_USER + 101;          // the tray icon's mouse activity
inline constexpr UINT kRouteChangeMessage = WM_USER + 102;   // routeWatch, posted; lParam: count
inline constexpr UINT kRoute6ChangeMessage = WM_USER + 103;  // the IPv6 routes changed, posted
// Wake-ups from other threads to the GUI thread. They carry nothing: any process may post
// them, so the GUI thread only looks at what the program itself queued.
inline constexpr UINT kJournalLineMessage = WM_APP + 1;  // lines wait in takeWindowLines
inline constexpr UINT kPopUpMessage = WM_APP + 2;
// Posted by the shut-down at log-off; destroys the main window only once that has run.
inline constexpr UINT kEndMessage = WM_APP + 3;
inline constexpr UINT kScanRedrawMessage = WM_APP + 4;  // posted to ScanPage: repaint the list
inline constexpr UINT kTableReadMessage = WM_APP + 5;   // takeTableRead: a check's table is read

extern HINSTANCE Instance;
extern HWND MainWindow;
extern HWND StatusBar;
extern HWND TabControl;
extern HWND ScanPage;
extern HWND MessageWindow;
extern HWND CurrentPage;
extern HFONT ListFont;
extern ListViewControl* ScanListView;  // set by the scan page when it has its list
extern HMENU ArpMenu, SampleMenu, RouteMenu, Neighbour6Menu, Sample6Menu, Route6Menu;
extern ListViewControl ArpListView, SampleListView, RouteListView;
// The IPv6 tab's neighbours, and the IPv6 samples and routes below the IPv4 ones on their tabs.
extern ListViewControl Neighbour6ListView, Sample6ListView, Route6ListView;
// The samples list the sample commands act on: the one of the two last focused.
extern ListViewControl* FocusedSampleList;
extern UINT TaskbarCreatedMessage;
// The route list's written column widths: address, mask, gateway, interface, metric.
inline constexpr int kRouteColumnWidths[] = {140, 140, 140, 140, 75};
// The IPv6 route list's: destination, gateway, interface, metric, lifetime.
inline constexpr int kRoute6ColumnWidths[] = {190, 190, 110, 90, 120};
// A later start in the same folder asks the first copy's main window to come forward.
extern UINT ShowFirstCopyMessage;
// False when another copy runs on this folder: its window was asked forward, and this one
// is to end without touching anything.
bool claimDataFolder();
// The executable's folder, whatever characters it holds; empty when it cannot be read.
std::wstring programFolder();
void publishMainWindow(HWND window);  // once the main window exists
void showFirstCopy(HWND window);
extern DWORD GuiThreadId;
extern std::string LogPath;  // the log file, beside the executable

// Start-up steps 3 to 27, run inside the creation of MainWindow. False: the window was
// destroyed after a fatal error.
bool initialiseMainWindow(HWND window);
// The orderly end: timer, statics, settings, exit lines (once), then the window is destroyed,
// at once or, Posted, by a kEndMessage handled after the current message.
enum class ShutDownEnd { Now, Posted };
void shutDown(ShutDownEnd end = ShutDownEnd::Now);
// kEndMessage: destroys the main window when the shut-down has run (nothing otherwise).
void endAfterShutDown();
// The last steps, run when MainWindow is destroyed.
void finishMainWindow();

INT_PTR CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void layoutMainWindow(int width, int height);
// Lays the main window's children out for its present client size.
void layoutMainWindowNow();

void switchPage();
// The route lists' columns for their width and their texts.
void fitRouteColumns();

// The tray icon.
void addTrayIcon();
void removeTrayIcon();

// The message window (created hidden with MainWindow as owner).
HWND createMessageWindow(HWND owner);
void appendMessageLine(const char* windowLine);  // main thread; out of memory drops the line
void showWaitingLines();  // main thread: the lines other threads queued, in their order
// Between begin and end the lines appended reach the list as one update (a check's reports).
void beginMessageBatch();
void endMessageBatch();
void popUpMessageWindow();  // main thread
// Characters the message window holds, a line end counted as one.
std::size_t messageWindowLength();

// The scan page (template 140): the range scan and its results.
HWND createScanPage(HWND parent);

// Commands and list notifications.
void buildContextMenus();
void handleCommand(int id);
void handleListNotify(const NMHDR* header);
// The screen point below the list's selected (or focused) row where a keyboard menu opens.
bool contextMenuPlace(HWND list, POINT& at);
// A WM_CONTEXTMENU's point is -1, -1 when the keyboard asked for the menu.
inline bool fromKeyboard(LPARAM point) {
  return static_cast<short>(LOWORD(point)) == -1 && static_cast<short>(HIWORD(point)) == -1;
}
// Shift+F10 or the menu key in one of the main window's lists: that list's menu.
void handleKeyboardContextMenu(HWND list);
// Ctrl+Tab and Ctrl+Shift+Tab anywhere in the main window: the next or previous tab.
bool switchTabByKey(const MSG& msg);
void showAboutBox();

// The dialog templates of the dialogs that other parts build.
void openSampleDialog(int initialValue);
void openArpEntryDialog();
void openRouteDialog(int initialValue);
void openSettingsDialog();

// Text boxes with the program's caption (Windows-1251 in, wide out).
void showMessage(const char* text, UINT icon);
bool askQuestion(const char* text, const char* caption);

struct AddressEntry;
// Adds e to the samples, saying so when it is there already; false when memory ran out.
bool addSampleTelling(const AddressEntry& e);

// The IPv6 lists' commands (commands6.cpp).
void addSelectedNeighbours6ToSamples();
void copyNeighbour6List();
void copySample6List();
void deleteSelectedSamples6();

// Puts text on the clipboard as Windows-1251 and as UTF-16; nothing when it is busy.
void copyTextToClipboard(HWND owner, const std::string& text);

// Handles every waiting message of the thread without blocking.
void pumpWaitingMessages();

// Finds dialog template id among the program's resources; null when missing.
const DLGTEMPLATE* loadDialogTemplate(int id);
// Centres window on its parent's rectangle, keeping its size and Z order.
void centreOnParent(HWND window);

// The ARP table read for a check on a thread of its own (uiHooks.readTableAside); the main
// thread takes a finished read and runs the check over it. After endTableReads no check runs.
bool startTableRead();
void takeTableRead();
void endTableReads();

// Connects the logic's user-interface hooks to these windows.
void installUiHooks();
