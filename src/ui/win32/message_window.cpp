// The message window: every journal line of the run, popped up on selected events.
#include <cstring>
#include <deque>
#include <new>
#include <string>

#include "report/journal.h"
#include "report/window_lines.h"
#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"
#include "ui/win32/window_limits.h"

namespace {

HWND messageList = nullptr;
HWND okButton = nullptr;

// The lines live here and the list view only asks for the rows it shows: Wine's edit
// controls either recount the whole text on every line (EDIT) or split each line into a
// shaped run per digit group and sign, about 40 kB a line (rich edit).
std::deque<std::wstring> lines;
std::size_t textLength = 0;  // characters, a line end counted as one
int widest = 0;              // pixels of the widest line, the column's width

void layout(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (messageList) MoveWindow(messageList, 6, 8, w - 12, h - 47, TRUE);
  if (okButton) {
    MoveWindow(okButton, w / 2 - 50, h - 32, 100, 25, TRUE);
    // The dialog's own repaint would otherwise cover the button's new place.
    InvalidateRect(okButton, nullptr, TRUE);
  }
}

// Drops count characters from the front, as the front of a text would lose them.
void cutFront(std::size_t count) {
  while (count > 0 && !lines.empty()) {
    const std::size_t whole = lines.front().size() + 1;
    if (count >= whole) {
      lines.pop_front();
      textLength -= whole;
      count -= whole;
    } else {
      lines.front().erase(0, count);
      textLength -= count;
      count = 0;
    }
  }
}

int lineWidth(HDC dc, const std::wstring& line) {
  SIZE size{};
  if (!dc || !GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size))
    return 0;
  return size.cx;
}

// Splits text at its line ends into the store, widening wider to the widest line measured.
void storeLines(const std::wstring& text, HDC dc, int& wider) {
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find(L"\r\n", start);
    const std::size_t next = end == std::wstring::npos ? text.size() : end + 2;
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = next;
    cutFront(messageWindowCut(textLength, line.size() + 1));
    if (line.size() < 4096) {
      const int w = lineWidth(dc, line);
      if (w > wider) wider = w;
    }
    const std::size_t length = line.size() + 1;
    lines.push_back(std::move(line));
    textLength += length;
  }
}

void copySelectedLines() {
  std::wstring text;
  for (int i = -1;;) {
    i = static_cast<int>(SendMessageW(messageList, LVM_GETNEXTITEM, i, LVNI_SELECTED));
    if (i < 0 || static_cast<std::size_t>(i) >= lines.size()) break;
    text += lines[static_cast<std::size_t>(i)];
    text += L"\r\n";
  }
  if (text.empty() || !OpenClipboard(MessageWindow)) return;
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
  void* p = block ? GlobalLock(block) : nullptr;
  if (p) {
    std::memcpy(p, text.c_str(), bytes);
    GlobalUnlock(block);
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
  } else if (block) {
    GlobalFree(block);
  }
  CloseClipboard();
}

void handleMessageListNotify(const NMHDR* header) {
  if (header->code == LVN_GETDISPINFOW) {
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header));
    const auto row = static_cast<std::size_t>(info->item.iItem);
    if ((info->item.mask & LVIF_TEXT) && info->item.iItem >= 0 && row < lines.size())
      info->item.pszText = const_cast<wchar_t*>(lines[row].c_str());
  } else if (header->code == LVN_KEYDOWN) {
    const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
    if (GetKeyState(VK_CONTROL) < 0 && key->wVKey == 'C') copySelectedLines();
    if (GetKeyState(VK_CONTROL) < 0 && key->wVKey == 'A') {
      LVITEMW all{};
      all.stateMask = all.state = LVIS_SELECTED;
      SendMessageW(messageList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&all));
    }
  }
}

INT_PTR CALLBACK messageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      HICON icon = static_cast<HICON>(
          LoadImageW(Instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, 16, 16, 0));
      SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
      messageList = GetDlgItem(window, IDC_MESSAGE_EDIT);
      okButton = GetDlgItem(window, IDOK);
      SendMessageW(messageList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                   LVS_EX_FULLROWSELECT);
      LVCOLUMNW column{};
      column.mask = LVCF_WIDTH;
      column.cx = 100;
      SendMessageW(messageList, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
      lines.clear();
      textLength = 0;
      widest = 0;
      layout(window);
      return TRUE;
    }
    case WM_SIZE:
      layout(window);
      return FALSE;
    case WM_GETMINMAXINFO:
      // The OK button and a few lines of the list.
      limitWindowSize(window, reinterpret_cast<MINMAXINFO*>(lParam), 260, 140);
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == messageList) handleMessageListNotify(header);
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ShowWindow(window, SW_HIDE);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      ShowWindow(window, SW_HIDE);
      return TRUE;
    case WM_DESTROY:
      messageList = okButton = nullptr;
      lines.clear();
      textLength = 0;
      return FALSE;
  }
  return FALSE;
}

}  // namespace

HWND createMessageWindow(HWND owner) {
  return CreateDialogParamW(Instance, MAKEINTRESOURCEW(IDD_MESSAGES), owner, messageWindowProc, 0);
}

namespace {

// Lines that come while a batch is open (a check's reports) share one device context and
// one update of the list; the list learns them when the batch closes.
int batchDepth = 0;
bool batchPending = false;
HDC batchDc = nullptr;
HGDIOBJ batchFont = nullptr;
int batchWidest = 0;

HDC measuringDc(HGDIOBJ& oldFont) {
  HDC dc = GetDC(messageList);
  oldFont =
      dc ? SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(messageList, WM_GETFONT, 0, 0)))
         : nullptr;
  return dc;
}

void releaseMeasuringDc(HDC dc, HGDIOBJ oldFont) {
  if (!dc) return;
  SelectObject(dc, oldFont);
  ReleaseDC(messageList, dc);
}

void showLineCount(int wider) {
  if (wider > widest) {
    widest = wider;
    SendMessageW(messageList, LVM_SETCOLUMNWIDTH, 0, widest + 12);
  }
  SendMessageW(messageList, LVM_SETITEMCOUNT, lines.size(), LVSICF_NOSCROLL);
  if (!lines.empty()) SendMessageW(messageList, LVM_ENSUREVISIBLE, lines.size() - 1, FALSE);
}

}  // namespace

// A line costs time in proportion to itself: it joins the end of the store, the front is
// trimmed line by line, and the list only learns the new count. Text with several line
// ends makes as many rows.
void appendMessageLine(const char* windowLine) {
  if (!messageList) return;
  if (batchDepth > 0 && !batchDc) batchDc = measuringDc(batchFont);
  HGDIOBJ oldFont = nullptr;
  HDC dc = batchDepth > 0 ? batchDc : measuringDc(oldFont);
  int wider = batchDepth > 0 ? batchWidest : widest;
  try {
    storeLines(toWide(windowLine), dc, wider);
  } catch (const std::bad_alloc&) {
    // The window misses the line (or its rest); the log and the mail have it.
  }
  if (batchDepth > 0) {
    batchWidest = wider;
    batchPending = true;
    return;
  }
  releaseMeasuringDc(dc, oldFont);
  showLineCount(wider);
}

void beginMessageBatch() {
  if (batchDepth++ == 0) batchWidest = widest;
}

void endMessageBatch() {
  if (batchDepth == 0 || --batchDepth > 0) return;
  releaseMeasuringDc(batchDc, batchFont);
  batchDc = nullptr;
  if (!batchPending || !messageList) return;
  batchPending = false;
  showLineCount(batchWidest);
}

void showWaitingLines() {
  for (const std::string& line : takeWindowLines()) appendMessageLine(line.c_str());
}

std::size_t messageWindowLength() { return textLength; }

void popUpMessageWindow() {
  if (!MessageWindow) return;
  SetWindowPos(MessageWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}
