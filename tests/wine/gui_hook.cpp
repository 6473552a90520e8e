// Loaded into vetrel.exe by gui_driver's message hook: sends the main window, from inside its
// own process, a WM_NOTIFY whose NMHDR ends where the committed memory ends, so a read past
// the header faults. (Wine does not carry WM_NOTIFY from another process.) A send that
// returned sets the main window's property "VetrelTestBareNotify".
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <commctrl.h>
#include <iphlpapi.h>
#include <netioapi.h>
// clang-format on

#include <cstddef>
#include <cstring>

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

// --- IPv6 neighbours and routes where Wine has none: on "VetrelTestPlant6" the program's
// imports of GetIpNetTable2 and GetIpForwardTable2 are pointed at tables as a system would
// list them: four neighbours, a prefix route and a default route via fe80::1.
namespace {

void setRow(MIB_IPNET_ROW2& r, const char* address, const BYTE* mac, NL_NEIGHBOR_STATE state,
            bool router) {
  r.Address.Ipv6.sin6_family = AF_INET6;
  inet_pton(AF_INET6, address, &r.Address.Ipv6.sin6_addr);
  r.InterfaceIndex = 2;
  r.PhysicalAddressLength = 6;
  memcpy(r.PhysicalAddress, mac, 6);
  r.State = state;
  r.IsRouter = router;
}

DWORD WINAPI plantedNetTable2(ADDRESS_FAMILY family, MIB_IPNET_TABLE2** table) {
  if (family != AF_INET6 || !table) return ERROR_NOT_SUPPORTED;
  const ULONG rows = 4;
  const SIZE_T size = offsetof(MIB_IPNET_TABLE2, Table) + rows * sizeof(MIB_IPNET_ROW2);
  // FreeMibTable gives it back to the process heap.
  auto* t = static_cast<MIB_IPNET_TABLE2*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
  if (!t) return ERROR_NOT_ENOUGH_MEMORY;
  const BYTE router[6] = {0x02, 0x00, 0x5e, 0x00, 0x00, 0x02};
  const BYTE host[6] = {0x02, 0x00, 0x5e, 0x00, 0x00, 0x03};
  const BYTE none[6] = {};
  setRow(t->Table[0], "2001:db8:77::2", router, NlnsPermanent, true);
  setRow(t->Table[1], "fe80::3", host, NlnsReachable, false);
  setRow(t->Table[2], "ff02::1", none, NlnsPermanent, false);
  setRow(t->Table[3], "fe80::1", router, NlnsStale, true);
  t->NumEntries = rows;
  *table = t;
  return NO_ERROR;
}

void setRoute(MIB_IPFORWARD_ROW2& r, const char* prefix, UINT8 length, const char* via,
              ULONG lifetime) {
  r.DestinationPrefix.Prefix.Ipv6.sin6_family = r.NextHop.Ipv6.sin6_family = AF_INET6;
  inet_pton(AF_INET6, prefix, &r.DestinationPrefix.Prefix.Ipv6.sin6_addr);
  r.DestinationPrefix.PrefixLength = length;
  inet_pton(AF_INET6, via, &r.NextHop.Ipv6.sin6_addr);
  r.InterfaceIndex = 2;
  r.Metric = 256;
  r.ValidLifetime = lifetime;
}

// The prefix route first: the list puts the default route on top itself.
DWORD WINAPI plantedForwardTable2(ADDRESS_FAMILY family, MIB_IPFORWARD_TABLE2** table) {
  if (family != AF_INET6 || !table) return ERROR_NOT_SUPPORTED;
  const ULONG rows = 2;
  const SIZE_T size = offsetof(MIB_IPFORWARD_TABLE2, Table) + rows * sizeof(MIB_IPFORWARD_ROW2);
  auto* t = static_cast<MIB_IPFORWARD_TABLE2*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
  if (!t) return ERROR_NOT_ENOUGH_MEMORY;
  setRoute(t->Table[0], "2001:db8:77::", 64, "::", 0xffffffff);
  setRoute(t->Table[1], "::", 0, "fe80::1", 1800);
  t->NumEntries = rows;
  *table = t;
  return NO_ERROR;
}

void pointImport(const char* dll, const char* name, void* target) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const DWORD at = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + at); at && d->Name; ++d) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + d->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(target);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
    }
  }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    plantNeighbours6Hook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT ask = RegisterWindowMessageW(L"VetrelTestPlant6");
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && msg && msg->message == ask) {
    msg->message = WM_NULL;
    // The table's code must outlive the hook.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&plantedNetTable2), &self);
    pointImport("iphlpapi.dll", "GetIpNetTable2", reinterpret_cast<void*>(&plantedNetTable2));
    pointImport("iphlpapi.dll", "GetIpForwardTable2",
                reinterpret_cast<void*>(&plantedForwardTable2));
    SetPropW(msg->hwnd, L"VetrelTestPlant6", reinterpret_cast<HANDLE>(1));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
