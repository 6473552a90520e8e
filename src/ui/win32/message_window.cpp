// The message window: every journal line of the run, popped up on selected events.
#include <string>

#include "report/journal.h"
#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"

namespace {

HWND messageEdit = nullptr;
HWND okButton = nullptr;

void layout(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (messageEdit) MoveWindow(messageEdit, 6, 8, w - 12, h - 47, TRUE);
  if (okButton) MoveWindow(okButton, w / 2 - 50, h - 32, 100, 25, TRUE);
}

INT_PTR CALLBACK messageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      HICON icon = static_cast<HICON>(
          LoadImageW(Instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, 16, 16, 0));
      SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
      messageEdit = GetDlgItem(window, IDC_MESSAGE_EDIT);
      okButton = GetDlgItem(window, IDOK);
      // The default limit is 32,767 characters; the journal trims at its own cap instead.
      SendMessageW(messageEdit, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
      layout(window);
      return TRUE;
    }
    case WM_SIZE:
      layout(window);
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ShowWindow(window, SW_HIDE);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      ShowWindow(window, SW_HIDE);
      return TRUE;
    case WM_DESTROY:
      messageEdit = okButton = nullptr;
      return FALSE;
  }
  return FALSE;
}

}  // namespace

HWND createMessageWindow(HWND owner) {
  // The rich edit class of the template lives there; the library stays for the whole run.
  static const HMODULE richEdit = LoadLibraryW(L"msftedit.dll");
  if (!richEdit) return nullptr;
  return CreateDialogParamW(Instance, MAKEINTRESOURCEW(IDD_MESSAGES), owner, messageWindowProc, 0);
}

// Appends at the end and trims at the front through the selection, so a line costs time in
// proportion to itself, not to the text the window already holds. Lengths and positions
// are the control's own characters, in which a CR LF line end is one.
void appendMessageLine(const char* windowLine) {
  if (!messageEdit) return;
  const std::wstring line = toWide(windowLine);
  GETTEXTLENGTHEX ask{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const std::size_t length = static_cast<std::size_t>(
      SendMessageW(messageEdit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&ask), 0));
  std::size_t lineLength = line.size();
  for (std::size_t i = 0; i + 1 < line.size(); ++i)
    if (line[i] == L'\r' && line[i + 1] == L'\n') --lineLength;
  const std::size_t cut = messageWindowCut(length, lineLength);
  if (cut > 0) {
    SendMessageW(messageEdit, EM_SETSEL, 0, static_cast<LPARAM>(cut));
    SendMessageW(messageEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
  }
  // Both ends out of range put the caret at the end without counting up to it, which an
  // explicit end position would do.
  SendMessageW(messageEdit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  SendMessageW(messageEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageW(messageEdit, WM_VSCROLL, SB_BOTTOM, 0);
}

void popUpMessageWindow() {
  if (!MessageWindow) return;
  SetWindowPos(MessageWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}
