// The two address entry dialogs: a static ARP entry by hand (template 136) and a sample
// added or edited by hand (template 135). What they decide lives in scan/entry_dialogs.

#include <initializer_list>
#include <string>

#include "arp/samples.h"
#include "base/address6.h"
#include "base/text_field.h"
#include "base/ui_hooks.h"
#include "scan/entry_dialogs.h"
#include "scan/entry_dialogs6.h"
#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"

namespace {

// An edit's text in the program's code page, cut to N - 1 characters.
template <std::size_t N>
void readEdit(HWND dialog, int id, char (&out)[N]) {
  wchar_t wide[N] = {};
  GetDlgItemTextW(dialog, id, wide, static_cast<int>(N));
  copyField(out, toNarrow(wide));
}

struct EntryEdit {
  int id;
  const char* label;
  std::size_t room;  // characters the record's field holds
};
const EntryEdit kEntryEdits[] = {
    {IDC_ENTRY_IP, "IP", 19}, {IDC_ENTRY_MAC, "MAC", 19}, {IDC_ENTRY_NAME, "Имя", 63}};

// A text longer than its record's field is refused by name rather than cut; true when all fit.
// With ipv6, an address text holding a ':' may be as long as an IPv6 address with its zone.
bool editsFit(HWND dialog, bool ipv6) {
  for (const EntryEdit& e : kEntryEdits) {
    HWND edit = GetDlgItem(dialog, e.id);
    if (!edit) continue;
    wchar_t wide[256] = {};
    GetWindowTextW(edit, wide, static_cast<int>(std::size(wide)));
    const std::string text = toNarrow(wide);
    const bool long6 = ipv6 && e.id == IDC_ENTRY_IP && looksLikeIpv6(text);
    const std::size_t room = long6 ? kEntryIpv6TextMax : e.room;
    if (text.size() <= room) continue;
    const std::string message = std::string("Слишком длинное значение «") + e.label + "»: " + text +
                                " — " + std::to_string(text.size()) +
                                " символов, а поле вмещает не больше " + std::to_string(room) + ".";
    MessageBoxW(dialog, toWide(message.c_str()).c_str(), toWide(messageCaption).c_str(),
                MB_OK | MB_ICONERROR);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    return false;
  }
  return true;
}

void writeEdit(HWND dialog, int id, const char* text) {
  SetDlgItemTextW(dialog, id, toWide(text).c_str());
}

// A box owned by the dialog, so that the dialog cannot be used again beneath it.
void showDialogError(HWND dialog, const char* text) {
  const std::wstring wide = toWide(text);
  const std::wstring caption = toWide(messageCaption);
  MessageBoxW(dialog, wide.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

// A field that holds no value of its kind: its message, then the field to mend.
void refuseField(HWND dialog, const FieldFault& fault) {
  showDialogError(dialog, fault.text.c_str());
  HWND edit = GetDlgItem(dialog, fault.field == EntryField::Mac ? IDC_ENTRY_MAC : IDC_ENTRY_IP);
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
  SendMessageW(edit, EM_SETSEL, 0, -1);
}

void prepareDialog(HWND dialog, std::initializer_list<int> edits) {
  centreOnParent(dialog);
  for (int id : edits)
    SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(ListFont), FALSE);
}

// The probes block this thread; the wait cursor says so until they are done.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

// A button of either dialog: OK takes the texts, the request button probes the address,
// Cancel closes. FALSE for any other command.
INT_PTR entryCommand(HWND dialog, int id, int requestId, void (*take)(HWND),
                     void (*request)(HWND)) {
  if (id == IDOK) {
    take(dialog);
  } else if (id == requestId) {
    request(dialog);
  } else if (id == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
  } else {
    return FALSE;
  }
  return TRUE;
}

//--- the ARP entry dialog

void writeArpEntry(HWND dialog) {
  if (!editsFit(dialog, false)) return;
  char ip[20], mac[20];
  readEdit(dialog, IDC_ENTRY_IP, ip);
  readEdit(dialog, IDC_ENTRY_MAC, mac);
  // It stays open for the next entry; the ARP list shows the entry with the next check.
  switch (addArpEntry(ip, mac)) {
    case ArpEntryOutcome::Refused:
      showDialogError(dialog, arpEntryRefusedText(ip).c_str());
      break;
    case ArpEntryOutcome::Invalid:
      refuseField(dialog, arpEntryFault(ip, mac));
      break;
    case ArpEntryOutcome::Ignored:
    case ArpEntryOutcome::Written:
      break;
  }
}

// The probe's outcome; the wait cursor only while the network is asked.
MacRequest probeMacWaiting(const char* ip, char (&mac)[20]) {
  if (!probeAsks(ip)) return requestMac(ip, mac);
  WaitCursor wait;
  return requestMac(ip, mac);
}

void requestArpEntryMac(HWND dialog) {
  char ip[20], mac[20];
  readEdit(dialog, IDC_ENTRY_IP, ip);
  switch (probeMacWaiting(ip, mac)) {
    case MacRequest::Found:
      writeEdit(dialog, IDC_ENTRY_MAC, mac);
      break;
    case MacRequest::NoAnswer:
      showDialogError(dialog, kNoMacText);
      break;
    case MacRequest::Invalid:  // what OK says of the same text
      refuseField(dialog, arpEntryFault(ip, ""));
      break;
    case MacRequest::Ignored:
      break;
  }
}

INT_PTR CALLBACK arpEntryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    prepareDialog(dialog, {IDC_ENTRY_IP, IDC_ENTRY_MAC});
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  return entryCommand(dialog, LOWORD(wParam), IDC_REQUEST_MAC, writeArpEntry, requestArpEntryMac);
}

//--- the sample dialog; SelectedRow is the sample it edits, -1 when it adds. It edits a row of
// the focused samples list; a new sample goes to the list its address text belongs to.

bool editing6 = false;  // the edited row is an IPv6 sample

// Whether OK and the request button read the address as IPv6.
bool ipv6Entry(const char* ip) { return SelectedRow >= 0 ? editing6 : looksLikeIpv6(ip); }

void fillFromSelectedRow(HWND dialog) {
  SetWindowTextW(dialog, toWide("Редактировать").c_str());
  char ip[kEntryIpv6TextMax + 1], mac[20], name[64];
  FocusedSampleList->GetCellText(SelectedRow, 0, ip, sizeof ip);
  FocusedSampleList->GetCellText(SelectedRow, 1, mac, sizeof mac);
  FocusedSampleList->GetCellText(SelectedRow, 2, name, sizeof name);
  writeEdit(dialog, IDC_ENTRY_IP, ip);
  writeEdit(dialog, IDC_ENTRY_MAC, mac);
  writeEdit(dialog, IDC_ENTRY_NAME, name);
}

void showStoreOutcome(HWND dialog, const SampleStore& stored, const char* ip) {
  switch (stored.outcome) {
    case SampleOutcome::Invalid:
      refuseField(dialog, stored.fault);
      break;
    case SampleOutcome::Duplicate:
      showDialogError(dialog, duplicateSampleText(ip).c_str());
      break;
    case SampleOutcome::NoMemory:
      showDialogError(dialog, "Ошибка выделения памяти.");
      break;
    case SampleOutcome::Added:  // stays open for the next sample
      break;
    case SampleOutcome::Replaced:
      EndDialog(dialog, IDOK);
      break;
    case SampleOutcome::Ignored:
      break;
  }
}

void storeDialogSample(HWND dialog) {
  char ip[kEntryIpv6TextMax + 1], mac[20], name[64];
  readEdit(dialog, IDC_ENTRY_IP, ip);
  const bool ipv6 = ipv6Entry(ip);
  if (!editsFit(dialog, ipv6)) return;
  readEdit(dialog, IDC_ENTRY_MAC, mac);
  readEdit(dialog, IDC_ENTRY_NAME, name);
  // The list is shown, the sample selected, and only then the file written.
  const SampleStore stored = ipv6 ? storeSample6(sample6FromTexts(ip, mac, name), SelectedRow,
                                                 [](int row) { Sample6ListView.SelectOnly(row); })
                                  : storeSample(sampleFromTexts(ip, mac, name), SelectedRow,
                                                [](int row) { SampleListView.SelectOnly(row); });
  showStoreOutcome(dialog, stored, ip);
}

// An IPv6 address is not asked on the network: its MAC is the neighbour table's.
void requestSample6Mac(HWND dialog, const char* ip) {
  const FieldFault fault = sample6Fault(sample6FromTexts(ip, "*", ""), false);
  if (fault.field != EntryField::None) {
    refuseField(dialog, fault);
    return;
  }
  char mac[20];
  if (neighbour6Mac(ip, mac))
    writeEdit(dialog, IDC_ENTRY_MAC, mac);
  else
    showDialogError(dialog, kNoMacText);
}

void requestSampleMacAndName(HWND dialog) {
  char ip[kEntryIpv6TextMax + 1];
  readEdit(dialog, IDC_ENTRY_IP, ip);
  if (ipv6Entry(ip)) {
    if (ip[0]) requestSample6Mac(dialog, ip);
    return;
  }
  AddressProbe found;
  if (probeAsks(ip)) {
    WaitCursor wait;
    found = requestMacAndName(ip);
  } else {
    found = requestMacAndName(ip);  // nothing is asked
  }
  if (found.fault.field != EntryField::None) refuseField(dialog, found.fault);
  if (!found.probed) return;
  if (found.macFound) writeEdit(dialog, IDC_ENTRY_MAC, found.macText);
  if (found.nameFound) writeEdit(dialog, IDC_ENTRY_NAME, found.hostName);
  if (found.errors[0]) showDialogError(dialog, found.errors);
}

INT_PTR CALLBACK sampleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    prepareDialog(dialog, {IDC_ENTRY_IP, IDC_ENTRY_MAC, IDC_ENTRY_NAME});
    editing6 = SelectedRow >= 0 && FocusedSampleList == &Sample6ListView;
    if (SelectedRow >= 0) fillFromSelectedRow(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  return entryCommand(dialog, LOWORD(wParam), IDC_REQUEST_MAC_AND_NAME, storeDialogSample,
                      requestSampleMacAndName);
}

}  // namespace

void openSampleDialog(int initialValue) {
  DialogBoxParamW(Instance, MAKEINTRESOURCEW(IDD_SAMPLE), MainWindow, sampleDialogProc,
                  initialValue);
}

void openArpEntryDialog() {
  DialogBoxParamW(Instance, MAKEINTRESOURCEW(IDD_ARP_ENTRY), MainWindow, arpEntryDialogProc, 0);
}
