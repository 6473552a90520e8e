// The settings dialog (template 137): fills its controls from the settings, and on OK hands
// what they hold to applySettingsForm, which checks and stores in the dialog's order.
#include <memory>
#include <string>

#include "base/ui_hooks.h"
#include "forms/settings_form.h"
#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"

namespace {

// The two event lists of one opening; freed when the dialog closes.
struct EventLists {
  ListViewControl popUp;
  ListViewControl mail;
};

struct CheckBox {
  int id;
  bool SettingsForm::*field;
};

const CheckBox kCheckBoxes[] = {
    {IDC_SETTINGS_ADD_NEW, &SettingsForm::AddNew},
    {IDC_SETTINGS_ADD_ADD_IP, &SettingsForm::AddAddIp},
    {IDC_SETTINGS_CHECK_MAC, &SettingsForm::CheckMac},
    {IDC_SETTINGS_RESTORE, &SettingsForm::Restore},
    {IDC_SETTINGS_BLOCK_NEW, &SettingsForm::BlockNew},
    {IDC_SETTINGS_HIDE_MESSAGES, &SettingsForm::HideMessageWindow},
    {IDC_SETTINGS_WRITE_LOG, &SettingsForm::WriteLog},
    {IDC_SETTINGS_SAVE_STAT, &SettingsForm::SaveStat},
    {IDC_SETTINGS_RUN_ON_START, &SettingsForm::RunOnStart},
    {IDC_SETTINGS_HIDE_ON_RUN, &SettingsForm::HideOnRun},
    {IDC_SETTINGS_MSG_TO_MAIL, &SettingsForm::MsgToMail},
    {IDC_SETTINGS_WATCH_IPV6, &SettingsForm::WatchIpv6},
};

struct TextField {
  int id;
  std::string SettingsForm::*field;
};

// The mail texts hold at most 31 characters: a longer one is refused by name, not cut, so
// the edits take more.
const TextField kTextFields[] = {
    {IDC_SETTINGS_CHECK_INT, &SettingsForm::CheckInt},
    {IDC_SETTINGS_THREADS, &SettingsForm::MaxScanThreads},
    {IDC_SETTINGS_MAIL_TO, &SettingsForm::MailTo},
    {IDC_SETTINGS_MAIL_FROM, &SettingsForm::MailFrom},
    {IDC_SETTINGS_MAIL_SERVER, &SettingsForm::MailServer},
    {IDC_SETTINGS_MAIL_PORT, &SettingsForm::MailPort},
    {IDC_SETTINGS_MAIL_LOGIN, &SettingsForm::MailLogin},
    {IDC_SETTINGS_MAIL_PASSWORD, &SettingsForm::MailPassw},
};
constexpr int kTypedMax = 255;

std::string itemText(HWND dialog, int id) {
  wchar_t text[kTypedMax + 1] = {};
  GetDlgItemTextW(dialog, id, text, static_cast<int>(std::size(text)));
  return toNarrow(text);
}

// One column of 170 pixels under an empty heading; each item carries its bit as its data.
void buildEventList(HWND dialog, int id, ListViewControl& list, std::size_t items,
                    std::int32_t mask) {
  list.Attach(GetDlgItem(dialog, id));
  SendMessageW(list.WindowHandle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  list.AddColumn("", 170, 0);
  for (std::size_t i = 0; i < items; ++i) {
    const int row = list.AppendRow(kEventItems[i].text);
    if (row < 0) continue;
    list.OrRowFlags(row, static_cast<std::uint32_t>(kEventItems[i].bit));
    list.SetTicked(row, (mask & kEventItems[i].bit) != 0);
  }
}

std::int32_t tickedBits(ListViewControl& list) {
  std::int32_t bits = 0;
  const int n = list.RowCount();
  for (int row = 0; row < n; ++row)
    if (list.IsTicked(row)) bits |= static_cast<std::int32_t>(list.RowFlags(row));
  return bits;
}

void fillControls(HWND dialog, EventLists& lists) {
  const SettingsForm form = formFromSettings(settings);
  for (const CheckBox& c : kCheckBoxes)
    CheckDlgButton(dialog, c.id, form.*c.field ? BST_CHECKED : BST_UNCHECKED);
  for (const TextField& t : kTextFields) {
    SendDlgItemMessageW(dialog, t.id, EM_LIMITTEXT, kTypedMax, 0);
    SetDlgItemTextW(dialog, t.id, toWide((form.*t.field).c_str()).c_str());
  }
  buildEventList(dialog, IDC_SETTINGS_MSG_EVENTS, lists.popUp, kMsgMaskItems, form.MsgMask);
  buildEventList(dialog, IDC_SETTINGS_MAIL_EVENTS, lists.mail, kMailMaskItems, form.MailMask);
}

SettingsForm readControls(HWND dialog, EventLists& lists) {
  SettingsForm form;
  for (const CheckBox& c : kCheckBoxes)
    form.*c.field = IsDlgButtonChecked(dialog, c.id) == BST_CHECKED;
  for (const TextField& t : kTextFields) form.*t.field = itemText(dialog, t.id);
  form.MsgMask = tickedBits(lists.popUp);
  form.MailMask = tickedBits(lists.mail);
  return form;
}

// The control to mend after a refusal.
int faultControl(SettingsVerdict verdict, const SettingsForm& form) {
  switch (verdict) {
    case SettingsVerdict::BadThreadCount:
      return IDC_SETTINGS_THREADS;
    case SettingsVerdict::BadInterval:
      return IDC_SETTINGS_CHECK_INT;
    case SettingsVerdict::Contradiction:
      return IDC_SETTINGS_BLOCK_NEW;
    case SettingsVerdict::BadMailPort:
      return IDC_SETTINGS_MAIL_PORT;
    case SettingsVerdict::NoMailServer:
      return IDC_SETTINGS_MAIL_SERVER;
    case SettingsVerdict::NoMailReceiver:
      return IDC_SETTINGS_MAIL_TO;
    case SettingsVerdict::TextTooLong:
      for (const TextField& t : kTextFields)
        if (const MailTextField* m = tooLongMailText(form); m && m->field == t.field) return t.id;
      break;
    case SettingsVerdict::Applied:
      break;
  }
  return 0;
}

void applyOrComplain(HWND dialog, EventLists& lists) {
  const SettingsForm form = readControls(dialog, lists);
  const SettingsVerdict verdict = applySettingsForm(form);
  if (verdict == SettingsVerdict::Applied) {
    EndDialog(dialog, IDOK);
    return;
  }
  const std::wstring text = toWide(settingsRefusalText(verdict, form).c_str());
  const std::wstring caption = toWide(messageCaption);
  MessageBoxW(dialog, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
  if (HWND control = GetDlgItem(dialog, faultControl(verdict, form)))
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  auto* lists = reinterpret_cast<EventLists*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
  switch (message) {
    case WM_INITDIALOG: {
      centreOnParent(dialog);
      auto owned = std::make_unique<EventLists>();
      fillControls(dialog, *owned);
      SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned.release()));
      return TRUE;
    }
    case WM_COMMAND:
      if (!lists) return FALSE;
      if (LOWORD(wParam) == IDOK) {
        applyOrComplain(dialog, *lists);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
      delete lists;
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void openSettingsDialog() {
  DialogBoxParamW(Instance, MAKEINTRESOURCEW(IDD_SETTINGS), MainWindow, settingsDialogProc, 0);
}
