// Small helpers every window of the program uses: message boxes with the program's caption,
// dialog templates from the resources, centring.

#include <string>

#include "base/ui_hooks.h"
#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"

const DLGTEMPLATE* loadDialogTemplate(int id) {
  HRSRC found = FindResourceW(Instance, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(Instance, found);
  return loaded ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
}

void centreOnParent(HWND window) {
  HWND parent = GetParent(window);
  if (!parent) parent = GetDesktopWindow();
  RECT p{}, own{};
  GetWindowRect(parent, &p);
  GetClientRect(window, &own);
  const int left = p.left + ((p.right - p.left) - (own.right - own.left)) / 2;
  const int top = p.top + ((p.bottom - p.top) - (own.bottom - own.top)) / 2;
  SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void showMessage(const char* text, UINT icon) {
  const std::wstring wide = toWide(text);
  const std::wstring caption = toWide(messageCaption);
  MessageBoxW(MainWindow, wide.c_str(), caption.c_str(), MB_OK | icon);
}

bool askQuestion(const char* text, const char* caption) {
  const std::wstring wide = toWide(text);
  const std::wstring title = toWide(caption ? caption : messageCaption);
  return MessageBoxW(MainWindow, wide.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}
