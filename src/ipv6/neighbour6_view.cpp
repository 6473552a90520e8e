#include "ipv6/neighbour6_view.h"

#include <cstdio>
#include <string>

#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "ipv6/check6.h"
#include "ipv6/samples6.h"

namespace {

// A field's text with a guaranteed terminator, even if the field has lost its own.
template <std::size_t N>
std::string cellText(const char (&field)[N]) {
  return std::string(fieldView(field));
}

std::string indexText(std::uint32_t ifIndex) { return std::to_string(ifIndex); }

void appendNeighbour(const Address6Entry& e) {
  const int row = uiAppendRow(ListId::Neighbours6, cellText(e.ipText).c_str());
  uiSetCell(ListId::Neighbours6, row, 1, cellText(e.macText).c_str());
  uiSetCell(ListId::Neighbours6, row, 2, cellText(e.typeText).c_str());
  uiSetCell(ListId::Neighbours6, row, 3, indexText(e.ifIndex).c_str());
  uiSetCell(ListId::Neighbours6, row, 4, cellText(e.hostName).c_str());
}

void appendSample(const Address6Entry& e) {
  const int row = uiAppendRow(ListId::Samples6, cellText(e.ipText).c_str());
  uiSetCell(ListId::Samples6, row, 1, cellText(e.macText).c_str());
  uiSetCell(ListId::Samples6, row, 2, cellText(e.hostName).c_str());
}

template <class Append>
void refill(ListId list, const Address6List& entries, Append append) {
  if (uiShowRows(list, entries.size())) return;
  uiHoldRedraw(list, true);
  uiClearList(list);
  for (const Address6Entry& e : entries) append(e);
  uiHoldRedraw(list, false);
}

// The interface column's text of the row last asked for: the view stays valid until the next
// call, which is as long as a list reads a cell.
std::string shownIndex;

}  // namespace

void showNeighbours6() { refill(ListId::Neighbours6, Neighbour6List, appendNeighbour); }

void showSamples6() {
  refill(ListId::Samples6, Sample6List, appendSample);
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
  if (row < 0 || static_cast<std::size_t>(row) >= Neighbour6List.size()) return {};
  const Address6Entry& e = Neighbour6List[static_cast<std::size_t>(row)];
  switch (column) {
    case 0:
      return fieldView(e.ipText);
    case 1:
      return fieldView(e.macText);
    case 2:
      return fieldView(e.typeText);
    case 3:
      shownIndex = indexText(e.ifIndex);
      return shownIndex;
    case 4:
      return fieldView(e.hostName);
  }
  return {};
}

std::string_view sample6ListCell(int row, int column) {
  if (row < 0 || static_cast<std::size_t>(row) >= Sample6List.size()) return {};
  const Address6Entry& e = Sample6List[static_cast<std::size_t>(row)];
  switch (column) {
    case 0:
      return fieldView(e.ipText);
    case 1:
      return fieldView(e.macText);
    case 2:
      return fieldView(e.hostName);
  }
  return {};
}
