// The scan page: the third tab. The user enters a range, runs, stops and repeats a scan;
// the range scanner's workers report here with WM_USER+100.
#include "ui/win32/scan_page.h"

#include <atomic>
#include <cstdlib>

#include "base/ui_hooks.h"
#include "report/journal.h"
#include "report/mail_queue.h"
#include "scan/range_offer.h"
#include "scan/scanner.h"
#include "settings/settings.h"
#include "ui/win32/win_text.h"

namespace {

ListViewControl resultList;
HMENU resultMenu = nullptr;
bool repeatChoice = false;  // 40005 at the last run; not saved
// When the repeat timer fires next (GetTickCount64), for the pause's status text.
ULONGLONG nextRepeatAt = 0;
UINT repeatMs = 0;
// The page as the workers see it; cleared when it goes, so a late worker ends.
std::atomic<HWND> pageForWorkers{nullptr};

constexpr const char* kRepeatMinutes[] = {"5", "10", "20", "40", "60"};

// Every change of a painted list view repaints it at once under Wine (some 17 ms a row on
// Xvfb); held, rows cost some 30 us each.
bool redrawHeld = false;
bool releasePosted = false;

void releaseRedraw() {
  releasePosted = false;
  if (!redrawHeld) return;
  redrawHeld = false;
  SendMessageW(resultList.WindowHandle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(resultList.WindowHandle(), nullptr, TRUE);
}

void setButtonText(HWND page, const char* text) {
  SetDlgItemTextW(page, IDOK, toWide(text).c_str());
}

void enableRepeatControls(HWND page, bool enable) {
  EnableWindow(GetDlgItem(page, IDC_SCAN_REPEAT), enable);
  EnableWindow(GetDlgItem(page, IDC_SCAN_MINUTES), enable);
}

bool isTicked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void tick(HWND page, int id, bool on) {
  CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED);
}

std::string fieldText(HWND page, int id) {
  wchar_t wide[64] = {};  // a longer text is refused whole, not cut to an address
  GetDlgItemTextW(page, id, wide, static_cast<int>(std::size(wide)));
  return toNarrow(wide);
}

// Worker thread: the message is sent, so the worker waits until the page has handled it.
// The page answers the next index + 1; 0 means the page is gone.
std::int32_t sendToPage(std::int32_t* slot) {
  HWND page = pageForWorkers.load();
  if (!page) return -1;
  const auto index = static_cast<WPARAM>(slot - workerSlots);
  const LRESULT answer =
      SendMessageW(page, kScanResultMessage, index, static_cast<LPARAM>(handOffToken(slot)));
  return static_cast<std::int32_t>(answer) - 1;
}

// "Опрос: Пауза" says when the next pass starts; the timer runs from the run's moment.
void showPauseUntil() {
  const ULONGLONG now = GetTickCount64();
  while (repeatMs > 0 && nextRepeatAt <= now) nextRepeatAt += repeatMs;
  FILETIME start{};
  GetSystemTimeAsFileTime(&start);
  ULARGE_INTEGER at{};
  at.LowPart = start.dwLowDateTime;
  at.HighPart = start.dwHighDateTime;
  at.QuadPart += (nextRepeatAt - now) * 10000;  // 100 ns units
  start.dwLowDateTime = at.LowPart;
  start.dwHighDateTime = at.HighPart;
  FILETIME local{};
  SYSTEMTIME t{};
  if (!FileTimeToLocalFileTime(&start, &local) || !FileTimeToSystemTime(&local, &t)) return;
  setStatusText(2, "Опрос: Пауза до %02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
}

void passEnded() {
  if (repeatArmed) {  // waiting for the next tick: the button still stops
    showPauseUntil();
    return;
  }
  setButtonText(ScanPage, "Выполнить");
  enableRepeatControls(ScanPage, true);
}

void armRepeat(HWND page) {
  repeatChoice = isTicked(page, IDC_SCAN_REPEAT);
  if (!repeatChoice) return;
  wchar_t wide[8] = {};
  GetDlgItemTextW(page, IDC_SCAN_MINUTES, wide, 8);
  const long long ms = static_cast<long long>(std::wcstol(wide, nullptr, 10)) * 60000;
  if (ms <= 0) return;
  SetTimer(page, IDT_SCAN_REPEAT, static_cast<UINT>(ms), nullptr);
  repeatArmed = true;
  repeatMs = static_cast<UINT>(ms);
  nextRepeatAt = GetTickCount64() + repeatMs;
}

void run(HWND page) {
  const std::string from = fieldText(page, IDC_SCAN_FROM);
  const std::string to = fieldText(page, IDC_SCAN_TO);
  // A field that is no address, a reversed or a too large range is refused with its message.
  const ScanRange range = buildScanRange(from.c_str(), to.c_str());
  if (range != ScanRange::Built) {
    const std::string text = scanRangeText(range, from.c_str(), to.c_str());
    if (!text.empty()) showMessage(text.c_str(), MB_ICONERROR);
    const int field = range == ScanRange::FromInvalid ? IDC_SCAN_FROM
                      : range == ScanRange::ToInvalid || range == ScanRange::Reversed ? IDC_SCAN_TO
                                                                                      : 0;
    if (HWND edit = field ? GetDlgItem(page, field) : nullptr) {
      SetFocus(edit);
      SendMessageW(edit, EM_SETSEL, 0, -1);
    }
    return;
  }
  armRepeat(page);
  if (!beginScanPass()) return;
  setButtonText(page, "Остановить");
  enableRepeatControls(page, false);
}

void stop(HWND page) {
  if (repeatArmed) {
    KillTimer(page, IDT_SCAN_REPEAT);
    repeatArmed = false;
  }
  if (scanRunning) {
    stopScanPass();  // the rest happens when the last worker ends
    return;
  }
  setButtonText(page, "Выполнить");
  setStatusText(2, "Опрос: Готово");
  enableRepeatControls(page, true);
}

void runOrStop(HWND page) {
  if (!socketsReady) return;
  if (scanRunning || repeatArmed)
    stop(page);
  else
    run(page);
}

void repeatTick() {
  // A tick already queued when the user stopped the repeat must not start a pass.
  if (scanRunning || !repeatArmed) return;
  beginScanPass();
}

void showResultMenu(HWND page, bool fromKeyboard = false) {
  if (scanRunning || repeatArmed) return;
  POINT at{};
  if (!fromKeyboard || !contextMenuPlace(resultList.WindowHandle(), at)) GetCursorPos(&at);
  TrackPopupMenu(resultMenu, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, page, nullptr);
}

void buildResultMenu() {
  resultMenu = CreatePopupMenu();
  const std::pair<int, const char*> items[] = {{IDM_SCAN_TO_SAMPLES, "Добавить в образцы"},
                                               {IDM_SCAN_TO_CACHE, "Добавить в кэш"},
                                               {IDM_SCAN_COPY, "Копировать список"}};
  for (const auto& [id, text] : items)
    AppendMenuW(resultMenu, MF_STRING, static_cast<UINT_PTR>(id), toWide(text).c_str());
}

void tickOptions(HWND page) {
  tick(page, IDC_SCAN_NAMES, settings.ScanGetName);
  tick(page, IDC_SCAN_COMPARE, settings.ScanCheckMac);
}

void initialisePage(HWND page) {
  SendDlgItemMessageW(page, IDC_SCAN_FROM, WM_SETFONT, reinterpret_cast<WPARAM>(ListFont), TRUE);
  SendDlgItemMessageW(page, IDC_SCAN_TO, WM_SETFONT, reinterpret_cast<WPARAM>(ListFont), TRUE);
  resultList.Create(5, 124, 0, 0, page, IDC_SCAN_RESULTS, Instance);
  resultList.AddColumn("IP", 140, 0);
  resultList.AddColumn("MAC", 160, 0);
  resultList.AddColumn("Имя", 200, 0);
  resultList.SetFont(ListFont);
  resultList.Show();
  ScanListView = &resultList;
  buildResultMenu();
  tickOptions(page);
  tick(page, IDC_SCAN_REPEAT, repeatChoice);
  for (const char* minutes : kRepeatMinutes)
    SendDlgItemMessageW(page, IDC_SCAN_MINUTES, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(toWide(minutes).c_str()));
  SendDlgItemMessageW(page, IDC_SCAN_MINUTES, CB_SETCURSEL, 0, 0);
  createScanLock();
  scanFrontEnd.handOff = sendToPage;
  scanFrontEnd.passEnded = passEnded;
  pageForWorkers.store(page);
}

void destroyPage(HWND page) {
  pageForWorkers.store(nullptr);
  keepScanRecordsForWorkers();
  deleteScanLock();
  if (repeatArmed) KillTimer(page, IDT_SCAN_REPEAT);
  repeatArmed = false;
  ScanListView = nullptr;
  if (resultMenu) DestroyMenu(resultMenu);
  resultMenu = nullptr;
}

void pageCommand(HWND page, int id) {
  switch (id) {
    case IDOK:
      runOrStop(page);
      break;
    case IDC_SCAN_NAMES:
      // Workers read it for every address.
      std::atomic_ref<bool>(settings.ScanGetName)
          .store(isTicked(page, IDC_SCAN_NAMES), std::memory_order_relaxed);
      break;
    case IDC_SCAN_COMPARE:
      settings.ScanCheckMac = isTicked(page, IDC_SCAN_COMPARE);
      break;
    case IDM_SCAN_TO_SAMPLES:
      addScanRowsToSamples();
      break;
    case IDM_SCAN_TO_CACHE:
      addScanRowsToCache();
      break;
    case IDM_SCAN_COPY:
      copyScanList(page);
      break;
    default:
      break;
  }
}

INT_PTR CALLBACK scanPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initialisePage(page);
      return TRUE;
    case WM_SIZE:
      resultList.Move(5, 124, LOWORD(lParam) - 9, HIWORD(lParam) - 129);
      return TRUE;
    case WM_COMMAND:
      pageCommand(page, LOWORD(wParam));
      return TRUE;
    case WM_TIMER:
      repeatTick();
      return TRUE;
    case kScanResultMessage: {
      // The message carries a worker's slot number and its pass token, not a pointer: any
      // process on the desktop may send or post it, and only a sent message for a slot whose
      // worker waits, with that slot's token, is taken.
      if (!InSendMessage() || !takeHandOff(wParam, static_cast<std::uint64_t>(lParam))) {
        SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      const std::int32_t next = handleScanResult(&workerSlots[wParam]);
      SetWindowLongPtrW(page, DWLP_MSGRESULT, static_cast<LONG_PTR>(next) + 1);
      return TRUE;
    }
    case WM_CONTEXTMENU:
      if (fromKeyboard(lParam) && reinterpret_cast<HWND>(wParam) == resultList.WindowHandle())
        showResultMenu(page, true);
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != IDC_SCAN_RESULTS) return FALSE;
      if (header->code == LVN_COLUMNCLICK)
        sortScanResults(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
      else if (header->code == NM_RCLICK)
        showResultMenu(page);
      return TRUE;
    }
    case kScanRedrawMessage:
      releaseRedraw();
      return TRUE;
    case WM_DESTROY:
      destroyPage(page);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

HWND createScanPage(HWND parent) {
  const DLGTEMPLATE* page = loadDialogTemplate(IDD_SCAN_PAGE);
  if (!page) return nullptr;
  return CreateDialogIndirectParamW(Instance, page, parent, scanPageProc, 0);
}

void holdScanListRedraw(bool hold) {
  if (!ScanPage || !resultList.WindowHandle()) return;
  if (hold) {
    if (!redrawHeld) SendMessageW(resultList.WindowHandle(), WM_SETREDRAW, FALSE, 0);
    redrawHeld = true;
    return;
  }
  if (redrawHeld && !releasePosted)
    releasePosted = PostMessageW(ScanPage, kScanRedrawMessage, 0, 0) != 0;
  if (!releasePosted) releaseRedraw();
}

void offerScanRange() {
  // Once per run of the program; later the fields keep whatever range was last typed.
  static bool offered = false;
  if (offered || !ScanPage) return;
  offered = true;
  OfferedRange range;
  if (!fieldText(ScanPage, IDC_SCAN_FROM).empty() || !fieldText(ScanPage, IDC_SCAN_TO).empty() ||
      !offeredScanRange(range))
    return;
  char first[20], last[20];
  formatIpv4Host(range.first, first);
  formatIpv4Host(range.last, last);
  SetDlgItemTextW(ScanPage, IDC_SCAN_FROM, toWide(first).c_str());
  SetDlgItemTextW(ScanPage, IDC_SCAN_TO, toWide(last).c_str());
}

void showScanOptions() {
  if (ScanPage) tickOptions(ScanPage);
}
