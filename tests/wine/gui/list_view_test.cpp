// ListViewControl and the message window on Wine's common controls.
#include "ui/win32/list_view.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ui/win32/shell.h"

HINSTANCE Instance = GetModuleHandleW(nullptr);
HWND MessageWindow = nullptr;

namespace {

class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = CreateWindowExW(0, L"STATIC", L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr,
                             nullptr, Instance, nullptr);
    ASSERT_NE(parent, nullptr);
    ASSERT_TRUE(list.Create(0, 0, 500, 300, parent, 2002, Instance));
    ASSERT_EQ(list.AddColumn("IP", 140, 0), 0);
    ASSERT_EQ(list.AddColumn("MAC", 160, 0), 1);
    ASSERT_EQ(list.AddColumn("Тип", 40, 1), 2);
    ASSERT_EQ(list.AddColumn("Имя", 160, 0), 3);
  }
  void TearDown() override { DestroyWindow(parent); }

  int headerFormat(int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list.WindowHandle(), LVM_GETHEADER, 0, 0));
    HDITEMW h{};
    h.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&h));
    return h.fmt;
  }
  bool marked(int column) {
    const int f = headerFormat(column);
    return (f & HDF_IMAGE) && (f & HDF_BITMAP_ON_RIGHT);
  }

  HWND parent = nullptr;
  ListViewControl list;
};

TEST_F(ListViewTest, RowsAppendAtTheEndAndCellsKeepWindows1251Text) {
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.AppendRow("10.0.0.1"), 0);
  EXPECT_EQ(list.AppendRow("10.0.0.2"), 1);
  EXPECT_EQ(list.AppendRow("10.0.0.3"), 2);
  list.SetCellText(1, 3, "шлюз");
  char buffer[64];
  EXPECT_STREQ(list.GetCellText(1, 0, buffer, sizeof buffer), "10.0.0.2");
  EXPECT_STREQ(list.GetCellText(1, 3, buffer, sizeof buffer), "шлюз");
  EXPECT_STREQ(list.GetCellText(0, 3, buffer, sizeof buffer), "");

  list.SetCellText(2, 3, "012345678901234567890123456789");  // 30 characters
  char small[20];
  EXPECT_STREQ(list.GetCellText(2, 3, small, sizeof small), "0123456789012345678");

  list.DeleteRow(0);
  EXPECT_EQ(list.RowCount(), 2);
  EXPECT_STREQ(list.GetCellText(0, 0, buffer, sizeof buffer), "10.0.0.2");
  list.DeleteAllRows();
  EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(ListViewTest, SelectionWalkAndSelectOnly) {
  for (int i = 0; i < 6; ++i) list.AppendRow(std::to_string(i).c_str());
  EXPECT_EQ(list.FirstSelected(), -1);
  EXPECT_EQ(list.NextSelected(-1), -1);

  list.SelectOnly(4);
  list.SelectOnly(2);
  EXPECT_EQ(list.FirstSelected(), 2);
  EXPECT_EQ(list.NextSelected(2), -1);

  // Select 1, 3 and 4; deleting while walking goes on one place before the removed row.
  list.SelectOnly(1);
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  for (int r : {3, 4})
    SendMessageW(list.WindowHandle(), LVM_SETITEMSTATE, r, reinterpret_cast<LPARAM>(&item));
  for (int r = list.NextSelected(-1); r != -1; r = list.NextSelected(r - 1)) list.DeleteRow(r);
  ASSERT_EQ(list.RowCount(), 3);
  char buffer[8];
  EXPECT_STREQ(list.GetCellText(0, 0, buffer, sizeof buffer), "0");
  EXPECT_STREQ(list.GetCellText(1, 0, buffer, sizeof buffer), "2");
  EXPECT_STREQ(list.GetCellText(2, 0, buffer, sizeof buffer), "5");
}

TEST_F(ListViewTest, SortMarkMovesBetweenColumns) {
  list.MarkSortedColumn(2);
  EXPECT_FALSE(marked(0));
  EXPECT_TRUE(marked(2));
  list.MarkSortedColumn(0);
  EXPECT_TRUE(marked(0));
  EXPECT_FALSE(marked(2));
  EXPECT_EQ(list.SortedColumn(), 0);
  list.MarkSortedColumn(-1);
  for (int c = 0; c < 4; ++c) EXPECT_FALSE(marked(c)) << c;
  // The alignment of a column survives the mark.
  list.MarkSortedColumn(2);
  EXPECT_EQ(headerFormat(2) & HDF_JUSTIFYMASK, HDF_CENTER);
}

TEST_F(ListViewTest, TicksFlagsAndColours) {
  SendMessageW(list.WindowHandle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES,
               LVS_EX_CHECKBOXES);
  list.AppendRow("a");
  list.AppendRow("b");
  list.SetTicked(1, true);
  EXPECT_TRUE(list.IsTicked(1));
  list.SetTicked(1, false);
  EXPECT_FALSE(list.IsTicked(1));

  EXPECT_EQ(list.RowFlags(0), 0u);
  list.OrRowFlags(0, 4);
  list.OrRowFlags(0, 256);
  EXPECT_EQ(list.RowFlags(0), 260u);
  EXPECT_EQ(list.RowFlags(1), 0u);

  EXPECT_TRUE(list.SetBackColour(RGB(0, 0, 0)));
  EXPECT_TRUE(list.SetTextColour(RGB(220, 220, 220)));
  EXPECT_EQ(SendMessageW(list.WindowHandle(), LVM_GETBKCOLOR, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(SendMessageW(list.WindowHandle(), LVM_GETTEXTBKCOLOR, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(SendMessageW(list.WindowHandle(), LVM_GETTEXTCOLOR, 0, 0), RGB(220, 220, 220));
}

TEST_F(ListViewTest, AdoptedControlHasNoImageList) {
  ListViewControl adopted;
  adopted.Attach(list.WindowHandle());
  EXPECT_EQ(adopted.WindowHandle(), list.WindowHandle());
  adopted.ReleaseImageList();  // nothing to release: the creator's list stays
  HWND header = reinterpret_cast<HWND>(SendMessageW(list.WindowHandle(), LVM_GETHEADER, 0, 0));
  EXPECT_NE(SendMessageW(header, HDM_GETIMAGELIST, 0, 0), 0);
  list.ReleaseImageList();
  EXPECT_EQ(SendMessageW(header, HDM_GETIMAGELIST, 0, 0), 0);
}

// The rows of the message window's list, each with the line end it stands for.
std::wstring messageText(HWND list) {
  std::wstring text;
  const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t row[512] = {};
    LVITEMW item{};
    item.pszText = row;
    item.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
    text += row;
    text += L"\r\n";
  }
  return text;
}

TEST(MessageWindow, LinesAppendInOrderAndOkOnlyHides) {
  MessageWindow = createMessageWindow(nullptr);
  ASSERT_NE(MessageWindow, nullptr);
  HWND edit = GetDlgItem(MessageWindow, 1000);
  appendMessageLine("12:00:00 Запуск программы.\r\n");
  appendMessageLine("12:00:01 Подмена адреса! 10.0.0.3 02-00-00-00-03-99\r\n");
  EXPECT_EQ(
      messageText(edit),
      L"12:00:00 Запуск программы.\r\n12:00:01 Подмена адреса! 10.0.0.3 02-00-00-00-03-99\r\n");
  EXPECT_EQ(messageWindowLength(), 27u + 52u);
  // Several line ends make as many rows; the last row is the one in view.
  appendMessageLine("a\r\nb\r\n");
  EXPECT_EQ(SendMessageW(edit, LVM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_EQ(messageWindowLength(), 27u + 52u + 4u);
  RECT row{LVIR_BOUNDS, 0, 0, 0}, listClient;
  SendMessageW(edit, LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&row));
  GetClientRect(edit, &listClient);
  EXPECT_LE(row.bottom, listClient.bottom);
  // A batch's lines reach the list when it closes.
  beginMessageBatch();
  appendMessageLine("c\r\n");
  EXPECT_EQ(SendMessageW(edit, LVM_GETITEMCOUNT, 0, 0), 4);
  endMessageBatch();
  EXPECT_EQ(SendMessageW(edit, LVM_GETITEMCOUNT, 0, 0), 5);

  // Ctrl+A, Ctrl+C: every line on the clipboard, each with its line end.
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(edit, WM_KEYDOWN, 'A', 0);
  SendMessageW(edit, WM_KEYDOWN, 'C', 0);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  std::wstring copied;
  if (OpenClipboard(nullptr)) {
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) copied = p;
      GlobalUnlock(data);
    }
    CloseClipboard();
  }
  EXPECT_EQ(copied, messageText(edit));

  popUpMessageWindow();
  EXPECT_TRUE(IsWindowVisible(MessageWindow));
  EXPECT_TRUE(GetWindowLongW(MessageWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SendMessageW(MessageWindow, WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(IsWindowVisible(MessageWindow));
  EXPECT_TRUE(IsWindow(MessageWindow));
  popUpMessageWindow();
  SendMessageW(MessageWindow, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(MessageWindow));
  EXPECT_TRUE(IsWindow(MessageWindow));

  // The resize rule.
  SetWindowPos(MessageWindow, nullptr, 0, 0, 700, 300, SWP_NOZORDER | SWP_NOMOVE);
  RECT client, r;
  GetClientRect(MessageWindow, &client);
  GetWindowRect(edit, &r);
  MapWindowPoints(nullptr, MessageWindow, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 6);
  EXPECT_EQ(r.top, 8);
  EXPECT_EQ(r.right - r.left, client.right - 12);
  EXPECT_EQ(r.bottom - r.top, client.bottom - 47);
  GetWindowRect(GetDlgItem(MessageWindow, IDOK), &r);
  MapWindowPoints(nullptr, MessageWindow, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, client.right / 2 - 50);
  EXPECT_EQ(r.top, client.bottom - 32);
  EXPECT_EQ(r.right - r.left, 100);
  EXPECT_EQ(r.bottom - r.top, 25);
  DestroyWindow(MessageWindow);
}

// A list over rows of its own owner: the parent answers its cell requests.
const char* const ownerRows[][2] = {{"10.0.0.1", "имя"}, {"10.0.0.2", "012345678901234567890"}};
ListViewControl* answering = nullptr;
std::string_view ownerCell(int row, int column) {
  return row >= 0 && row < 2 && column < 2 ? ownerRows[row][column] : "";
}
LRESULT CALLBACK ownerParent(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_NOTIFY && answering && answering->AnswerCellRequest(reinterpret_cast<NMHDR*>(lp)))
    return 0;
  return DefWindowProcW(w, m, wp, lp);
}

TEST(OwnerDataList, CellsComeFromTheOwnerAndARefillDropsTheSelection) {
  WNDCLASSW c{};
  c.lpfnWndProc = ownerParent;
  c.hInstance = Instance;
  c.lpszClassName = L"OwnerParent";
  RegisterClassW(&c);
  HWND parent = CreateWindowExW(0, L"OwnerParent", L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400,
                                nullptr, nullptr, Instance, nullptr);
  ListViewControl list;
  list.UseCellSource(ownerCell);
  answering = &list;
  ASSERT_TRUE(list.Create(0, 0, 500, 300, parent, 2002, Instance));
  EXPECT_TRUE(GetWindowLongW(list.WindowHandle(), GWL_STYLE) & LVS_OWNERDATA);
  list.AddColumn("IP", 140, 0);
  list.AddColumn("Имя", 160, 0);
  list.ShowRows(2);
  char buffer[20];
  EXPECT_EQ(list.RowCount(), 2);
  EXPECT_STREQ(list.GetCellText(0, 1, buffer, sizeof buffer), "имя");
  EXPECT_STREQ(list.GetCellText(1, 1, buffer, sizeof buffer), "0123456789012345678");
  list.SelectOnly(1);
  EXPECT_EQ(list.FirstSelected(), 1);
  list.ShowRows(2);
  EXPECT_EQ(list.FirstSelected(), -1);
  answering = nullptr;
  DestroyWindow(parent);
}

}  // namespace
