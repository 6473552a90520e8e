// The commands of the IPv6 lists: the neighbours' context menu and the IPv6 samples'.

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "arp/samples.h"
#include "base/text_field.h"
#include "ipv6/neighbour6_view.h"
#include "ipv6/samples6.h"
#include "scan/entry_dialogs6.h"
#include "ui/win32/shell.h"

namespace {

// Every row's cells joined by TABs, a CR LF after each row.
std::string listText(ListViewControl& list, int columns) {
  std::string text;
  const int n = list.RowCount();
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < columns; ++c) {
      char cell[kEntryIpv6TextMax + 1];
      list.GetCellText(r, c, cell, sizeof cell);
      if (c > 0) text += '\t';
      text += cell;
    }
    text += "\r\n";
  }
  return text;
}

struct Row6 {
  char ip[kEntryIpv6TextMax + 1];
  char mac[20];
};

}  // namespace

void addSelectedNeighbours6ToSamples() {
  // Copied first: a message box lets a check refill the list and drop the selection.
  std::vector<Row6> selected;
  try {
    for (int r = Neighbour6ListView.NextSelected(-1); r != -1;
         r = Neighbour6ListView.NextSelected(r)) {
      Row6 row{};
      Neighbour6ListView.GetCellText(r, 0, row.ip, sizeof row.ip);
      Neighbour6ListView.GetCellText(r, 1, row.mac, sizeof row.mac);
      selected.push_back(row);
    }
  } catch (const std::bad_alloc&) {
    showMessage("Ошибка выделения памяти.", MB_ICONERROR);
    return;
  }
  for (const Row6& row : selected) {
    // A row without a MAC is added by its address alone, as an ARP row is.
    const Address6Entry typed = sample6FromTexts(row.ip, row.mac, "");
    const FieldFault fault = sample6Fault(typed, true);
    if (fault.field != EntryField::None) {
      showMessage(fault.text.c_str(), MB_ICONERROR);
      continue;
    }
    const int added = addSample6(canonicalSample6(typed));
    if (added == -2) {
      showMessage("Ошибка выделения памяти.", MB_ICONERROR);
      break;
    }
    if (added == -1) showMessage(duplicateSampleText(row.ip).c_str(), MB_ICONERROR);
  }
  showSamples6();
  saveSamples6();
}

void copyNeighbour6List() { copyTextToClipboard(MainWindow, listText(Neighbour6ListView, 5)); }

void copySample6List() { copyTextToClipboard(MainWindow, listText(Sample6ListView, 3)); }

void deleteSelectedSamples6() {
  std::vector<int> rows;
  try {
    for (int r = Sample6ListView.NextSelected(-1); r != -1; r = Sample6ListView.NextSelected(r))
      rows.push_back(r);
  } catch (const std::bad_alloc&) {
    showMessage("Ошибка выделения памяти.", MB_ICONERROR);
    return;
  }
  // From the last, so that the indices of the others stay.
  std::sort(rows.rbegin(), rows.rend());
  for (int r : rows) removeSample6(r);
  showSamples6();
  saveSamples6();
}
