// The route dialog (template 142): adds a route through the system's route command (mode
// IDM_ROUTE_ADD) or shows the fields of the selected route (mode 0, which changes nothing).
#include <string>

#include "arp/samples.h"
#include "base/ui_hooks.h"
#include "report/journal.h"
#include "route/route_fields.h"
#include "route/route_table.h"
#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"

namespace {

struct RouteField {
  int id;
  int column;  // of RouteListView
};

const RouteField kFields[] = {
    {IDC_ROUTE_ADDRESS, 0}, {IDC_ROUTE_MASK, 1}, {IDC_ROUTE_GATEWAY, 2}, {IDC_ROUTE_METRIC, 4}};

constexpr int kFieldChars = 19;

void fillFields(HWND dialog, bool viewOnly) {
  for (const RouteField& f : kFields) {
    SendDlgItemMessageW(dialog, f.id, WM_SETFONT, reinterpret_cast<WPARAM>(ListFont), FALSE);
    // Longer text than a field takes would reach the route command cut.
    SendDlgItemMessageW(dialog, f.id, EM_LIMITTEXT, kFieldChars, 0);
    // Viewing changes nothing, so nothing can be typed.
    if (viewOnly) SendDlgItemMessageW(dialog, f.id, EM_SETREADONLY, TRUE, 0);
  }
  if (SelectedRow < 0) return;
  for (const RouteField& f : kFields) {
    char text[kFieldChars + 1];
    RouteListView.GetCellText(SelectedRow, f.column, text, sizeof text);
    SetDlgItemTextW(dialog, f.id, toWide(text).c_str());
  }
}

int faultField(RouteFieldFault fault) {
  switch (fault) {
    case RouteFieldFault::Mask:
    case RouteFieldFault::MaskGaps:
      return IDC_ROUTE_MASK;
    case RouteFieldFault::Gateway:
      return IDC_ROUTE_GATEWAY;
    case RouteFieldFault::Metric:
      return IDC_ROUTE_METRIC;
    default:
      return IDC_ROUTE_ADDRESS;
  }
}

std::string fieldText(HWND dialog, int id) {
  wchar_t text[kFieldChars + 1] = {};
  GetDlgItemTextW(dialog, id, text, static_cast<int>(std::size(text)));
  return toNarrow(text);
}

void confirm(HWND dialog, LPARAM mode) {
  OwnRouteChange = true;  // before anything else, whatever follows
  const std::string address = fieldText(dialog, IDC_ROUTE_ADDRESS);
  const std::string mask = fieldText(dialog, IDC_ROUTE_MASK);
  const std::string gateway = fieldText(dialog, IDC_ROUTE_GATEWAY);
  const std::string metric = fieldText(dialog, IDC_ROUTE_METRIC);
  if (mode == IDM_ROUTE_ADD) {
    RouteFields read;
    const RouteFieldFault fault =
        readRouteFields(address.c_str(), mask.c_str(), gateway.c_str(), metric.c_str(), read);
    if (fault != RouteFieldFault::None) {
      const std::wstring text = toWide(
          routeFieldMessage(fault, address.c_str(), mask.c_str(), gateway.c_str(), metric.c_str())
              .c_str());
      const std::wstring caption = toWide(messageCaption);
      MessageBoxW(dialog, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
      SetFocus(GetDlgItem(dialog, faultField(fault)));
      return;
    }
    // Blocks until the command has ended; the route watch's posts wait in the queue.
    RouteCommandFailure failure;
    const RouteAddResult result = addRouteFromFields(address.c_str(), mask.c_str(), gateway.c_str(),
                                                     metric.c_str(), &failure);
    if (result == RouteAddResult::Failed) {
      // The values stay, so the user can try again with the rights the command asked for.
      const std::string line = routeCommandLine(read.address.c_str(), read.mask.c_str(),
                                                read.gateway.c_str(), read.metric.c_str());
      reportEvent(routeFailureLine(line.c_str(), failure).c_str(), ProgramError);
      const std::wstring text = toWide(routeFailureMessage(failure).c_str());
      const std::wstring caption = toWide(messageCaption);
      MessageBoxW(dialog, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
      return;
    }
    if (result == RouteAddResult::CannotStart) {
      const std::wstring text = toWide("Ошибка команды route.");
      const std::wstring caption = toWide(messageCaption);
      MessageBoxW(dialog, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
      return;
    }
    if (result != RouteAddResult::Started) return;
  }
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK routeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      centreOnParent(dialog);
      SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
      if (lParam == IDM_ROUTE_ADD) SetWindowTextW(dialog, toWide("Добавить маршрут").c_str());
      fillFields(dialog, lParam != IDM_ROUTE_ADD);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_MAXTEXT) {
        // The edit stops taking characters; a tip says why instead of a silent stop.
        const std::wstring title = toWide("Поле заполнено");
        const std::wstring text = toWide("Не больше 19 символов.");
        EDITBALLOONTIP tip{sizeof tip, title.c_str(), text.c_str(), TTI_INFO};
        SendMessageW(reinterpret_cast<HWND>(lParam), EM_SHOWBALLOONTIP, 0,
                     reinterpret_cast<LPARAM>(&tip));
        return TRUE;
      }
      if (LOWORD(wParam) == IDOK) {
        confirm(dialog, GetWindowLongPtrW(dialog, GWLP_USERDATA));
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void openRouteDialog(int initialValue) {
  DialogBoxParamW(Instance, MAKEINTRESOURCEW(IDD_ROUTE), MainWindow, routeDialogProc, initialValue);
}
