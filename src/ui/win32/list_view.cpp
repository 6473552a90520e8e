#include "ui/win32/list_view.h"

#include <algorithm>
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
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                                (source_ ? LVS_OWNERDATA : 0),
                            x, y, width, height, parent,
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
  // Such a list holds no texts: the row is read from the source again.
  if (source_) {
    SendMessageW(window_, LVM_REDRAWITEMS, row, row);
    return;
  }
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

void ListViewControl::ShowRows(std::size_t rows) {
  // Down to none first: that drops the selection and the focus, as deleting every row would.
  SendMessageW(window_, LVM_SETITEMCOUNT, 0, 0);
  SendMessageW(window_, LVM_SETITEMCOUNT, rows, 0);
  InvalidateRect(window_, nullptr, FALSE);
}

namespace {

// Whether text begins with (partial) or is (whole) wanted, ASCII letters in either case.
bool textMatches(std::string_view text, std::string_view wanted, bool partial) {
  if (text.size() < wanted.size() || (!partial && text.size() != wanted.size())) return false;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (fold(text[i]) != fold(wanted[i])) return false;
  }
  return true;
}

}  // namespace

bool ListViewControl::AnswerCellRequest(const NMHDR* header) {
  if (!source_ || !header || header->hwndFrom != window_) return false;
  if (header->code == LVN_GETDISPINFOW) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header))->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return true;
    const std::string_view text = source_(item.iItem, item.iSubItem);
    const int room = item.cchTextMax - 1;
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), room));
    const int n = length > 0 ? MultiByteToWideChar(kProgramCodePage, 0, text.data(), length,
                                                   item.pszText, room)
                             : 0;
    item.pszText[n] = L'\0';
    return true;
  }
  if (header->code != LVN_ODFINDITEMW) return false;
  // Typing the first letters of a row: the list asks its owner, as it holds no texts.
  const auto* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
  LRESULT found = -1;
  const int rows = RowCount();
  if ((find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find->lvfi.psz && rows > 0) {
    const std::string wanted = toNarrow(find->lvfi.psz);
    const int start = find->iStart >= 0 && find->iStart < rows ? find->iStart : 0;
    const int span = (find->lvfi.flags & LVFI_WRAP) ? rows : rows - start;
    for (int k = 0; k < span && found < 0; ++k) {
      const int row = (start + k) % rows;
      if (textMatches(source_(row, 0), wanted, (find->lvfi.flags & LVFI_PARTIAL) != 0)) found = row;
    }
  }
  SetWindowLongPtrW(GetParent(window_), DWLP_MSGRESULT, found);
  return true;
}

void ListViewControl::HoldRedraw(bool hold) {
  // The default handling of a release marks the window visible: a hidden page is left alone
  // (nothing draws it anyway).
  if (!window_ || hold == redrawHeld_) return;
  if (hold && !(GetWindowLongW(window_, GWL_STYLE) & WS_VISIBLE)) return;
  redrawHeld_ = hold;
  SendMessageW(window_, WM_SETREDRAW, hold ? FALSE : TRUE, 0);
  if (!hold) InvalidateRect(window_, nullptr, TRUE);
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
