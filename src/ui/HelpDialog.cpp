// The Help dialog, which lists the command-line options from the language module's strings,
// and More Help, which this system has no strings for.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"

namespace {

// The help texts are shown as they stand.
constexpr bool HelpTextsTakeNoStrings() {
  for (unsigned id : kHelpTextMessages)
    if (MessageStrings(id) != 0) return false;
  return true;
}
static_assert(HelpTextsTakeNoStrings(), "a help text the table does not list as shown as it stands");

void InitHelpDialog(HWND dialog, Bootstrapper* bootstrapper) {
  g_pActiveBootstrapper = bootstrapper;
  HMODULE language = bootstrapper->m_hLanguageModule;

  SetDialogIcon(dialog);

  char caption[4096] = {};
  LoadMessage<IDS_HELP_CAPTION>(language, caption, sizeof(caption));
  if (caption[0] != '\0') SetWindowTextA(dialog, caption);

  char helpText[16384] = {};
  for (UINT id : kHelpTextMessages) {
    char piece[4096] = {};
    LoadStringA(language, id, piece, sizeof(piece));
    if (piece[0] != '\0') AppendCut(helpText, piece);
  }
  SetDlgItemTextA(dialog, IDC_HELP_TEXT, helpText);
  CenterWindow(dialog);
}

// Ctrl+Home: the text box shows the start of the help, not a selection of all of it. The
// package's own keyboard hook swallows the Ctrl once a dialog is open, so that only Home would
// arrive and leave the caret on the last line: the caret is also put at the start directly.
void ShowStartOfText(HWND textBox) {
  keybd_event(VK_CONTROL, 0, 0, 0);
  keybd_event(VK_HOME, 0, 0, 0);
  keybd_event(VK_HOME, 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  SendMessageA(textBox, EM_SETSEL, 0, 0);
  SendMessageA(textBox, EM_SCROLLCARET, 0, 0);
}

}  // namespace

DWORD Bootstrapper::ShowHelp() {
  // Nobody would close it: a deployment tool that sent /? with /quiet waits for its limit.
  if (m_bUnattended) {
    LogMessage(this, "ShowHelp - The run is unattended: the Help dialog is not shown.");
    return ERROR_SUCCESS;
  }
  if (m_hLanguageModule == nullptr) return ERROR_INVALID_HANDLE;
  LogMessage(this, "ShowHelp - Displaying help dialog.");
  INT_PTR result = DialogBoxParamA(m_hLanguageModule, MAKEINTRESOURCEA(IDD_HELP), nullptr, HelpDlgProc,
                                   reinterpret_cast<LPARAM>(this));
  if (result == -1) {
    DWORD error = GetLastError();
    if (error == ERROR_SUCCESS) error = ERROR_RESOURCE_NAME_NOT_FOUND;  // a failure never reads as success
    LogMessage(this, "ShowHelp - Failed to display the Help dialog. Error: %lu.", error);
    ShowError<IDS_HELP_FAILED>(this);
    return error;
  }
  return ERROR_SUCCESS;
}

DWORD Bootstrapper::ShowMoreHelp() {
  if (m_hLanguageModule == nullptr) return ERROR_INVALID_HANDLE;
  LogMessage(this, "ShowMoreHelp - Displaying more help dialog.");
  LogMessage(this, "ShowMoreHelp - No strings were specified for the More Help dialog.");
  return ERROR_SUCCESS;
}

INT_PTR CALLBACK HelpDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* bootstrapper = reinterpret_cast<Bootstrapper*>(lParam);
      if (bootstrapper == nullptr) return FALSE;
      InitHelpDialog(dialog, bootstrapper);
      return TRUE;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_SETFOCUS) {
        ShowStartOfText(reinterpret_cast<HWND>(lParam));
        return TRUE;
      }
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, static_cast<INT_PTR>(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
