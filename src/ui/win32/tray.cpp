// The notification-area icon: the window's only presence while it is hidden.

#include "settings/settings.h"
#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"

namespace {

NOTIFYICONDATAW TrayIconRecord{};

// Filled anew each time: a restarted taskbar gets the icon from a fresh record.
void fillTrayIconRecord() {
  TrayIconRecord = NOTIFYICONDATAW{};
  TrayIconRecord.cbSize = sizeof(NOTIFYICONDATAW);
  TrayIconRecord.hWnd = MainWindow;
  TrayIconRecord.uID = 0;
  TrayIconRecord.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  TrayIconRecord.uCallbackMessage = kTrayMessage;
  TrayIconRecord.hIcon = static_cast<HICON>(
      LoadImageW(Instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, 16, 16, LR_SHARED));
  // Copies in other folders have the same title: the tip names the folder, its end kept.
  std::wstring tip = toWide(kIniSection);
  const std::wstring folder = programFolder();
  constexpr std::size_t room = std::size(TrayIconRecord.szTip) - 1;
  if (!folder.empty()) {
    tip += L" \x2014 ";
    const std::size_t left = room - tip.size();
    tip += folder.size() <= left ? folder : L"\x2026" + folder.substr(folder.size() - (left - 1));
  }
  lstrcpynW(TrayIconRecord.szTip, tip.c_str(), static_cast<int>(std::size(TrayIconRecord.szTip)));
}

}  // namespace

void addTrayIcon() {
  fillTrayIconRecord();
  Shell_NotifyIconW(NIM_ADD, &TrayIconRecord);
}

void removeTrayIcon() {
  if (!TrayIconRecord.hWnd) return;
  Shell_NotifyIconW(NIM_DELETE, &TrayIconRecord);
  TrayIconRecord.hWnd = nullptr;
}
