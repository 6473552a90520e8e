#include "ui/win32/list_view.h"

#include <string>

#include "base/text_field.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/win_text.h"

namespace {
constexpr UINT kTickedImage = 2;  // state image 1 is the empty box, 2 the ticked one
}

ListViewControl::~ListViewControl() { ReleaseImageList(); }

bool ListViewControl::Create(int x, int y, int width, int height, HWND parent, int id,
                             HINSTANCE instance) {
  instance_ = instance;
  parent_ = parent;
  id_ = id;
  window_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, x,
                            y, width, height, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (!window_) return false;
  SendMessageW(window_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  columnCount_ = 0;
  header_ = reinterpret_cast<HWND>(SendMessageW(window_, LVM_GETHEADER, 0, 0));
  images_ = ImageList_Create(16, 16, ILC_COLOR4 | ILC_MASK, 1, 0);
  if (images_) {
    HICON up = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_SORT_UP), IMAGE_ICON, 16, 16, 0));
    if (up) {
      ImageList_ReplaceIcon(images_, -1, up);
      DestroyIcon(up);
    }
    if (header_) SendMessageW(header_, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  }
  return true;
}

void ListViewControl::Attach(HWND list) {
  window_ = list;
  header_ = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
}

int ListViewControl::AddColumn(const char* title, int width, int alignment) {
  std::wstring text = toWide(title);
  column_ = LVCOLUMNW{};
  column_.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column_.fmt = alignment == 1 ? LVCFMT_CENTER : alignment == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
  column_.cx = width;
  column_.pszText = text.data();
  column_.iSubItem = columnCount_;
  const int index = static_cast<int>(
      SendMessageW(window_, LVM_INSERTCOLUMNW, columnCount_, reinterpret_cast<LPARAM>(&column_)));
  if (index < 0) return -1;
  ++columnCount_;
  return index;
}

bool ListViewControl::SetTextColour(COLORREF colour) {
  return SendMessageW(window_, LVM_SETTEXTCOLOR, 0, colour) != 0;
}

bool ListViewControl::SetBackColour(COLORREF colour) {
  if (!SendMessageW(window_, LVM_SETBKCOLOR, 0, colour)) return false;
  return SendMessageW(window_, LVM_SETTEXTBKCOLOR, 0, colour) != 0;
}

void ListViewControl::SetFont(HFONT font) {
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void ListViewControl::Show() { ShowWindow(window_, SW_SHOW); }
void ListViewControl::Hide() { ShowWindow(window_, SW_HIDE); }

void ListViewControl::Move(int x, int y, int width, int height) {
  MoveWindow(window_, x, y, width, height, TRUE);
}

void ListViewControl::ReleaseImageList() {
  if (!images_) return;
  if (header_ && IsWindow(header_)) SendMessageW(header_, HDM_SETIMAGELIST, 0, 0);
  ImageList_Destroy(images_);
  images_ = nullptr;
}

int ListViewControl::AppendRow(const char* text) {
  std::wstring wide = toWide(text);
  item_ = LVITEMW{};
  item_.mask = LVIF_TEXT | LVIF_PARAM;
  item_.iItem = RowCount();
  item_.pszText = wide.data();
  item_.lParam = 0;
  return static_cast<int>(
      SendMessageW(window_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item_)));
}

void ListViewControl::SetCellText(int row, int column, const char* text) {
  std::wstring wide = toWide(text);
  item_ = LVITEMW{};
  item_.mask = LVIF_TEXT;
  item_.iItem = row;
  item_.iSubItem = column;
  item_.pszText = wide.data();
  SendMessageW(window_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item_));
}

char* ListViewControl::GetCellText(int row, int column, char* buffer, std::size_t size) {
  if (!buffer || size == 0) return buffer;
  // A cell holds at most 259 characters in a report view; more room costs nothing.
  wchar_t wide[512] = {};
  item_ = LVITEMW{};
  item_.iSubItem = column;
  item_.pszText = wide;
  item_.cchTextMax = static_cast<int>(std::size(wide));
  SendMessageW(window_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item_));
  copyText(buffer, size, toNarrow(wide));
  return buffer;
}

void ListViewControl::DeleteRow(int row) { SendMessageW(window_, LVM_DELETEITEM, row, 0); }
void ListViewControl::DeleteAllRows() { SendMessageW(window_, LVM_DELETEALLITEMS, 0, 0); }

int ListViewControl::RowCount() const {
  return static_cast<int>(SendMessageW(window_, LVM_GETITEMCOUNT, 0, 0));
}

int ListViewControl::NextSelected(int row) const {
  return static_cast<int>(SendMessageW(window_, LVM_GETNEXTITEM, row, LVNI_SELECTED));
}

void ListViewControl::SelectOnly(int row) {
  item_ = LVITEMW{};
  item_.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item_.state = 0;
  SendMessageW(window_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(&item_));
  item_.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(window_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item_));
}

void ListViewControl::EnsureVisible(int row) {
  SendMessageW(window_, LVM_ENSUREVISIBLE, row, FALSE);
}

bool ListViewControl::IsTicked(int row) const {
  const UINT state =
      static_cast<UINT>(SendMessageW(window_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
  return (state >> 12) != 1;
}

void ListViewControl::SetTicked(int row, bool ticked) {
  item_ = LVITEMW{};
  item_.stateMask = LVIS_STATEIMAGEMASK;
  item_.state = INDEXTOSTATEIMAGEMASK(ticked ? kTickedImage : 1);
  SendMessageW(window_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item_));
}

void ListViewControl::OrRowFlags(int row, std::uint32_t bits) {
  const std::uint32_t flags = RowFlags(row) | bits;
  item_ = LVITEMW{};
  item_.mask = LVIF_PARAM;
  item_.iItem = row;
  item_.lParam = static_cast<LPARAM>(flags);
  SendMessageW(window_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item_));
}

std::uint32_t ListViewControl::RowFlags(int row) {
  item_ = LVITEMW{};
  item_.mask = LVIF_PARAM;
  item_.iItem = row;
  if (!SendMessageW(window_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item_))) return 0;
  return static_cast<std::uint32_t>(item_.lParam);
}

void ListViewControl::MarkSortedColumn(int column) {
  sortedColumn_ = column;
  if (!header_) return;
  const int count = static_cast<int>(SendMessageW(header_, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    HDITEMW h{};
    h.mask = HDI_FORMAT;
    if (!SendMessageW(header_, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&h))) continue;
    if (i == column) {
      h.mask = HDI_FORMAT | HDI_IMAGE;
      h.fmt |= HDF_IMAGE | HDF_BITMAP_ON_RIGHT;
      h.iImage = 0;
    } else {
      h.fmt &= ~(HDF_IMAGE | HDF_BITMAP_ON_RIGHT);
    }
    SendMessageW(header_, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&h));
  }
}
