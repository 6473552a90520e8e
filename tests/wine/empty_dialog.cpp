// An empty dialog program built the way vetrel.exe is: the yardstick of its start-up time.
#include <windows.h>

namespace {
INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    PostQuitMessage(0);
    return TRUE;
  }
  return message == WM_INITDIALOG;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  HWND window = CreateDialogParamW(instance, MAKEINTRESOURCEW(1), nullptr, dialogProc, 0);
  ShowWindow(window, SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
