// Loaded into vetrel.exe by gui_driver's message hook: sends the main window, from inside its
// own process, a WM_NOTIFY whose NMHDR ends where the committed memory ends, so a read past
// the header faults. (Wine does not carry WM_NOTIFY from another process.) A send that
// returned sets the main window's property "VetrelTestBareNotify".
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

extern "C" __declspec(dllexport) LRESULT CALLBACK
    bareNotifyHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT ask = RegisterWindowMessageW(L"VetrelTestBareNotify");
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && msg && msg->message == ask) {
    msg->message = WM_NULL;  // handled here
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    void* page = VirtualAlloc(nullptr, info.dwPageSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (page) {
      auto* header =
          reinterpret_cast<NMHDR*>(static_cast<char*>(page) + info.dwPageSize - sizeof(NMHDR));
      const int id = static_cast<int>(msg->wParam);
      header->hwndFrom = GetDlgItem(msg->hwnd, id);
      header->idFrom = static_cast<UINT_PTR>(id);
      header->code = static_cast<UINT>(msg->lParam);
      // Wine swallows a fault inside the hook; only a send that returned leaves the mark.
      RemovePropW(msg->hwnd, L"VetrelTestBareNotify");
      SendMessageW(msg->hwnd, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(header));
      SetPropW(msg->hwnd, L"VetrelTestBareNotify", reinterpret_cast<HANDLE>(1));
      VirtualFree(page, 0, MEM_RELEASE);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
