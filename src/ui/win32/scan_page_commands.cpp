// The context-menu commands of the scan page's result list.
#include <string>

#include "arp/arp_table.h"
#include "arp/check_cycle.h"
#include "arp/list_views.h"
#include "arp/sample_view.h"
#include "arp/samples.h"
#include "base/address.h"
#include "base/text_field.h"
#include "ui/win32/scan_page.h"
#include "ui/win32/win_text.h"

namespace {

struct RowTexts {
  char ip[20];
  char mac[20];
  char name[64];
};

RowTexts rowTexts(int row) {
  RowTexts t{};
  ScanListView->GetCellText(row, 0, t.ip, sizeof t.ip);
  ScanListView->GetCellText(row, 1, t.mac, sizeof t.mac);
  ScanListView->GetCellText(row, 2, t.name, sizeof t.name);
  return t;
}

}  // namespace

void addScanRowsToSamples() {
  if (!ScanListView) return;
  for (int r = ScanListView->NextSelected(-1); r != -1; r = ScanListView->NextSelected(r)) {
    const RowTexts t = rowTexts(r);
    AddressEntry e = makeEntry();
    copyField(e.ipText, t.ip);
    copyField(e.macText, t.mac);
    copyField(e.hostName, t.name);
    if (!addSampleTelling(e)) break;
  }
  showSamples();
  saveSamples();
}

void addScanRowsToCache() {
  if (!ScanListView) return;
  for (int r = ScanListView->NextSelected(-1); r != -1; r = ScanListView->NextSelected(r)) {
    const RowTexts t = rowTexts(r);
    // A host found by name alone has no MAC: written, it would be a static all-zero entry
    // that cuts the host off. Only a real pair is written; the message says why not.
    const std::string failed = addStaticEntry(t.ip, t.mac);
    if (!failed.empty()) showMessage(failed.c_str(), MB_ICONERROR);
  }
  checkTick();
}

// Plain 8-bit text as the list holds it; the same as UTF-16 too, as the samples' copy does,
// so a reader on a system of another language does not convert with the wrong code page.
void copyScanList(HWND owner) {
  if (!ScanListView) return;
  std::string text;
  const int n = ScanListView->RowCount();
  for (int r = 0; r < n; ++r) {
    const RowTexts t = rowTexts(r);
    text.append(t.ip).append("\t").append(t.mac).append("\t").append(t.name).append("\r\n");
  }
  copyTextToClipboard(owner, text);
}
