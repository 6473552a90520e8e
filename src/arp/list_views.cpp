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

using Ordering = bool (*)(const AddressEntry&, const AddressEntry&);

}  // namespace

void showCacheList() {
  uiClearList(ListId::Arp);
  for (const AddressEntry& e : CacheList) appendEntry(ListId::Arp, e, true);
}

void showSampleRows() {
  uiClearList(ListId::Samples);
  for (const AddressEntry& e : SampleList) appendEntry(ListId::Samples, e, false);
  setStatusText(1, "Образцы: %u", static_cast<unsigned>(SampleList.size()));
}

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
