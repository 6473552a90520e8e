// The scan page: the third tab, made from its own template. Its controls and its handling
// of the scan workers' results come with the range scanner.
#include "ui/win32/shell.h"

namespace {

INT_PTR CALLBACK scanPageProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace

HWND createScanPage(HWND parent) {
  const DLGTEMPLATE* page = loadDialogTemplate(IDD_SCAN_PAGE);
  if (!page) return nullptr;
  return CreateDialogIndirectParamW(Instance, page, parent, scanPageProc, 0);
}
