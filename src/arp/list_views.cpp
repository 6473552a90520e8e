#include "arp/list_views.h"

#include <algorithm>

#include "base/address.h"
#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "report/journal.h"

namespace {

// A field's text with a guaranteed terminator, even if the field has lost its own.
template <std::size_t N>
struct Cell {
  char text[N + 1];
  explicit Cell(const char (&field)[N]) { copyField(text, fieldView(field)); }
};

int appendEntry(ListId list, const AddressEntry& e, bool withType) {
  const int row = uiAppendRow(list, Cell(e.ipText).text);
  int column = 1;
  uiSetCell(list, row, column++, Cell(e.macText).text);
  if (withType) uiSetCell(list, row, column++, Cell(e.typeText).text);
  uiSetCell(list, row, column, Cell(e.hostName).text);
  return row;
}

// A list that keeps rows of its own is cleared and filled row by row, unseen until done.
void refill(ListId list, const AddressList& entries, bool withType) {
  uiHoldRedraw(list, true);
  uiClearList(list);
  for (const AddressEntry& e : entries) appendEntry(list, e, withType);
  uiHoldRedraw(list, false);
}

std::string_view cell(const AddressList& entries, int row, int column, bool withType) {
  if (row < 0 || static_cast<std::size_t>(row) >= entries.size()) return {};
  const AddressEntry& e = entries[static_cast<std::size_t>(row)];
  if (!withType && column >= 2) ++column;
  switch (column) {
    case 0:
      return fieldView(e.ipText);
    case 1:
      return fieldView(e.macText);
    case 2:
      return fieldView(e.typeText);
    case 3:
      return fieldView(e.hostName);
  }
  return {};
}

using Ordering = bool (*)(const AddressEntry&, const AddressEntry&);

}  // namespace

std::string_view cacheListCell(int row, int column) { return cell(CacheList, row, column, true); }

std::string_view sampleListCell(int row, int column) {
  return cell(SampleList, row, column, false);
}

void showCacheList() {
  if (!uiShowRows(ListId::Arp, CacheList.size())) refill(ListId::Arp, CacheList, true);
}

void showSampleRows() {
  if (!uiShowRows(ListId::Samples, SampleList.size())) refill(ListId::Samples, SampleList, false);
  setStatusText(1, "Образцы: %u", static_cast<unsigned>(SampleList.size()));
}

// Its callers hold the scan list's redraw: a pass shows its rows inside a hold of its own.
void refillScanList() {
  uiClearList(ListId::Scan);
  for (const AddressEntry& e : ScanResults)
    if (e.probeState > 0) appendScanRow(e);
}

int appendScanRow(const AddressEntry& e) { return appendEntry(ListId::Scan, e, false); }

void sortCacheList(int column) {
  static const Ordering orderings[] = {lessByIp, lessByMac, greaterByType, lessByName};
  if (column < 0 || column >= 4) return;
  std::sort(CacheList.begin(), CacheList.end(), orderings[column]);
  showCacheList();
  uiMarkSortedColumn(ListId::Arp, column);
}
