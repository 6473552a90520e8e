// The clipboard: what the lists' copy commands put there.

#include <cstring>
#include <string>

#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"

namespace {

// A movable block holding bytes and a terminator of unitSize bytes; null on failure.
HGLOBAL clipboardBlock(const void* bytes, std::size_t size, std::size_t unitSize) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size + unitSize);
  if (!block) return nullptr;
  void* p = GlobalLock(block);
  if (!p) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(p, bytes, size);
  std::memset(static_cast<char*>(p) + size, 0, unitSize);
  GlobalUnlock(block);
  return block;
}

}  // namespace

// Plain 8-bit text as the lists hold it, and the same as UTF-16 so that a reader on a
// system of another language does not convert it with the wrong code page.
void copyTextToClipboard(HWND owner, const std::string& text) {
  if (!OpenClipboard(owner)) return;
  HGLOBAL narrow = clipboardBlock(text.data(), text.size(), 1);
  if (!narrow) {
    CloseClipboard();
    return;
  }
  const std::wstring wide = toWide(text.c_str());
  HGLOBAL unicode = clipboardBlock(wide.data(), wide.size() * sizeof(wchar_t), sizeof(wchar_t));
  EmptyClipboard();
  if (!SetClipboardData(CF_TEXT, narrow)) GlobalFree(narrow);
  if (unicode && !SetClipboardData(CF_UNICODETEXT, unicode)) GlobalFree(unicode);
  CloseClipboard();
}
