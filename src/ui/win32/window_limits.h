#pragma once
// Size limits shared by the main window and the message window.
// clang-format off
#include <windows.h>
// clang-format on

// Maximised: the border just outside the work area of the window's monitor, the caption at its
// top edge and nothing under a taskbar.
inline void fitMaximisedToWorkArea(HWND window, MINMAXINFO* info) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)),
                     GetMenu(window) != nullptr,
                     static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
  const RECT& work = monitor.rcWork;
  const RECT& whole = monitor.rcMonitor;
  const int border = -frame.left;  // the sizing border; the caption stays inside
  info->ptMaxPosition.x = work.left - whole.left - border;
  info->ptMaxPosition.y = work.top - whole.top - border;
  info->ptMaxSize.x = (work.right - work.left) + 2 * border;
  info->ptMaxSize.y = (work.bottom - work.top) + 2 * border;
}

// WM_GETMINMAXINFO: at least minWidth x minHeight, and the maximised placement above.
inline void limitWindowSize(HWND window, MINMAXINFO* info, int minWidth, int minHeight) {
  if (!info) return;
  info->ptMinTrackSize.x = minWidth;
  info->ptMinTrackSize.y = minHeight;
  fitMaximisedToWorkArea(window, info);
}
