#pragma once
// The wrapper of every table on screen: a report-style "SysListView32" that its owner
// refills from its own data. Main thread only (the request records are reused).
// clang-format off
#include <windows.h>  // first: commctrl.h needs its types
#include <commctrl.h>
// clang-format on

#include <cstddef>
#include <cstdint>
#include <string_view>

class ListViewControl {
 public:
  ListViewControl() = default;
  ListViewControl(const ListViewControl&) = delete;
  ListViewControl& operator=(const ListViewControl&) = delete;
  ~ListViewControl();

  // Rows that live in the owner's list: given before Create, the control holds only their
  // number (ShowRows) and asks source for a cell's Windows-1251 text when it needs it, so a
  // refill costs the same for ten rows and for a hundred thousand.
  using CellSource = std::string_view (*)(int row, int column);
  void UseCellSource(CellSource source) { source_ = source; }
  bool HasCellSource() const { return source_ != nullptr; }

  bool Create(int x, int y, int width, int height, HWND parent, int id, HINSTANCE instance);
  void Attach(HWND list);
  HWND WindowHandle() const { return window_; }

  // Alignment code: 1 centred, 2 right, anything else left. Returns the index or -1.
  int AddColumn(const char* title, int width, int alignment);
  bool SetTextColour(COLORREF colour);
  bool SetBackColour(COLORREF colour);
  void SetFont(HFONT font);
  void Show();
  void Hide();
  void Move(int x, int y, int width, int height);
  void ReleaseImageList();

  int AppendRow(const char* text);  // the new row's index or -1
  // With a cell source the text is not kept: the row is drawn anew from the source.
  void SetCellText(int row, int column, const char* text);
  // The cell's Windows-1251 text cut to size - 1 characters; returns buffer.
  char* GetCellText(int row, int column, char* buffer, std::size_t size);
  void DeleteRow(int row);
  void DeleteAllRows();
  int RowCount() const;
  // A list with a cell source shows rows rows, dropping the selection as DeleteAllRows does.
  void ShowRows(std::size_t rows);
  // Answers the list's requests for cells and for a row by its first letters; true when
  // header was one of them (the parent hands every notification of this list here).
  bool AnswerCellRequest(const NMHDR* header);
  // Between true and false the list is not redrawn; false repaints it once.
  void HoldRedraw(bool hold);

  int FirstSelected() const { return NextSelected(-1); }
  int NextSelected(int row) const;
  void SelectOnly(int row);
  void EnsureVisible(int row);

  bool IsTicked(int row) const;
  void SetTicked(int row, bool ticked);
  void OrRowFlags(int row, std::uint32_t bits);
  std::uint32_t RowFlags(int row);

  // Shows the triangle in column c's title and removes it from every other; -1: none.
  void MarkSortedColumn(int column);
  int SortedColumn() const { return sortedColumn_; }

 private:
  HWND window_ = nullptr;
  HINSTANCE instance_ = nullptr;
  HWND parent_ = nullptr;
  int id_ = 0;
  HWND header_ = nullptr;
  HIMAGELIST images_ = nullptr;
  int columnCount_ = 0;
  int sortedColumn_ = -1;
  CellSource source_ = nullptr;
  bool redrawHeld_ = false;
  LVCOLUMNW column_{};
  LVITEMW item_{};
};
