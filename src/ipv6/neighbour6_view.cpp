#include "ipv6/neighbour6_view.h"

#include <span>
#include <string>

#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "ipv6/check6.h"
#include "ipv6/samples6.h"

namespace {

enum class Column { Ip, Mac, Type, Interface, Name };
constexpr Column kNeighbourColumns[] = {Column::Ip, Column::Mac, Column::Type, Column::Interface,
                                        Column::Name};
constexpr Column kSampleColumns[] = {Column::Ip, Column::Mac, Column::Name};

// The interface column's text of the cell last asked for: the view stays valid until the
// next call, which is as long as a list reads a cell.
std::string shownIndex;

std::string_view cellOf(const Address6Entry& e, Column column) {
  switch (column) {
    case Column::Ip:
      return fieldView(e.ipText);
    case Column::Mac:
      return fieldView(e.macText);
    case Column::Type:
      return fieldView(e.typeText);
    case Column::Interface:
      shownIndex = std::to_string(e.ifIndex);
      return shownIndex;
    case Column::Name:
      return fieldView(e.hostName);
  }
  return {};
}

// A list that keeps rows of its own is cleared and filled row by row, unseen until done.
void refill(ListId list, const Address6List& entries, std::span<const Column> columns) {
  if (uiShowRows(list, entries.size())) return;
  uiHoldRedraw(list, true);
  uiClearList(list);
  for (const Address6Entry& e : entries) {
    const int row = uiAppendRow(list, std::string(cellOf(e, columns[0])).c_str());
    for (std::size_t c = 1; c < columns.size(); ++c)
      uiSetCell(list, row, static_cast<int>(c), std::string(cellOf(e, columns[c])).c_str());
  }
  uiHoldRedraw(list, false);
}

std::string_view listCell(const Address6List& entries, std::span<const Column> columns, int row,
                          int column) {
  if (row < 0 || static_cast<std::size_t>(row) >= entries.size() || column < 0 ||
      static_cast<std::size_t>(column) >= columns.size())
    return {};
  return cellOf(entries[static_cast<std::size_t>(row)], columns[static_cast<std::size_t>(column)]);
}

}  // namespace

void showNeighbours6() { refill(ListId::Neighbours6, Neighbour6List, kNeighbourColumns); }

void showSamples6() {
  refill(ListId::Samples6, Sample6List, kSampleColumns);
  bool renamed = false;
  for (Address6Entry& e : Neighbour6List) {
    const std::string_view name = sampleName6(fieldView(e.ipText), fieldView(e.macText));
    if (name == fieldView(e.hostName)) continue;
    copyField(e.hostName, name);
    renamed = true;
  }
  if (renamed) showNeighbours6();
}

std::string_view neighbour6ListCell(int row, int column) {
  return listCell(Neighbour6List, kNeighbourColumns, row, column);
}

std::string_view sample6ListCell(int row, int column) {
  return listCell(Sample6List, kSampleColumns, row, column);
}
