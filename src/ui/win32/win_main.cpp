// The process entry: one copy per folder, the log, the main window and the message loop.

#include <string>

#include "base/ui_hooks.h"
#include "platform/system_platform.h"
#include "report/journal.h"
#include "report/mail_queue.h"
#include "report/mail_thread.h"
#include "settings/settings.h"
#include "ui/win32/shell.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  Instance = instance;
  GuiThreadId = GetCurrentThreadId();
  if (!claimDataFolder()) return 0;
  TaskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
  // The log lives beside the executable, wherever the program was started from, so that
  // the log-file commands (which run there) find it.
  const std::string exe = platform::executablePath();
  const std::size_t slash = exe.find_last_of('\\');
  if (slash != std::string::npos) LogPath = exe.substr(0, slash) + "\\quorel.log";
  openLog(LogPath.c_str());
  installUiHooks();
  startMailThread = launchMailThread;

  CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, mainWindowProc, 0);
  if (MainWindow && IsWindow(MainWindow)) {
    HICON icon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, 16, 16, 0));
    SendMessageW(MainWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SetWindowPos(MainWindow, nullptr, settings.WndX, settings.WndY, settings.Wndcx, settings.Wndcy,
                 SWP_NOZORDER);
    // A size equal to the template's brings no WM_SIZE, and the pages would stay 0 x 0.
    layoutMainWindowNow();
    ShowWindow(MainWindow, SW_SHOW);
    // A line of start-up that popped the message window up must not end behind the window
    // shown after it.
    if (MessageWindow && IsWindowVisible(MessageWindow)) popUpMessageWindow();
    publishMainWindow(MainWindow);
  }

  MSG msg;
  int result = 0;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) {
      result = -1;
      break;
    }
    if (got == 0) {
      result = static_cast<int>(msg.wParam);
      break;
    }
    if (switchTabByKey(msg)) continue;
    if (MainWindow && IsDialogMessageW(MainWindow, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  closeLog();
  return result;
}
