// The Welcome step: the Welcome dialog, in which the user starts a talking or a silent install
// or cancels, or, when the setup type shows no dialog, the spoken welcome alone.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"

namespace {

// Process-wide state of the dialog procedure.
const WelcomeDlgResRecord* g_pWelcomeDlgRes = nullptr;
HBRUSH g_hWhiteBrush = nullptr;       // created at the first message, kept for the process
HBITMAP g_hSidePanelBitmap = nullptr;  // the side panel shown, deleted with the dialog

// Replaces a window's text, when it has one, by that text used as a format for the display name.
void FormatWindowText(HWND window, const char* displayName) {
  char format[500] = {};
  GetWindowTextA(window, format, 499);
  if (format[0] == '\0') return;
  char text[1000] = {};
  FormatCut(text, format, displayName);
  SetWindowTextA(window, text);
}

void ShowSidePanel(HWND dialog, Bootstrapper* bootstrapper, const WelcomeDlgResRecord& resources) {
  if (resources.dwStaticSidePanelID == 0 || resources.dwSidePanelBmpID == 0) return;
  HBITMAP bitmap = LoadBitmapA(resources.hInstance, MAKEINTRESOURCEA(resources.dwSidePanelBmpID));
  if (bitmap == nullptr) {
    LogMessage(bootstrapper, "WelcomeDlgProc - Bitmap for side panel could not be loaded.");
    return;
  }
  HWND panel = GetDlgItem(dialog, static_cast<int>(resources.dwStaticSidePanelID));
  auto previous = reinterpret_cast<HGDIOBJ>(
      SendMessageA(panel, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  // The control hands back the picture it loaded from the template; nobody else frees it.
  if (previous != nullptr && previous != bitmap) DeleteObject(previous);
  g_hSidePanelBitmap = bitmap;
}

void InitWelcomeDialog(HWND dialog, Bootstrapper* bootstrapper) {
  g_pActiveBootstrapper = bootstrapper;
  g_pWelcomeDlgRes = &bootstrapper->WelcomeDlgRes;

  SetDialogIcon(dialog);

  ShowSidePanel(dialog, bootstrapper, *g_pWelcomeDlgRes);

  char displayName[100] = {};
  CopyCut(displayName, bootstrapper->m_szDisplayName, 99);
  FormatWindowText(dialog, displayName);
  DWORD titleControl = g_pWelcomeDlgRes->dwStaticMsg1ID != 0 ? g_pWelcomeDlgRes->dwStaticMsg1ID : IDC_WELCOME_TITLE;
  HWND title = GetDlgItem(dialog, static_cast<int>(titleControl));
  // The language module's template numbers its title otherwise than the package's: without this,
  // a package lacking its own dialog would greet the user with a literal "%s".
  if (title == nullptr) title = GetDlgItem(dialog, IDC_WELCOME_TITLE);
  if (title != nullptr) FormatWindowText(title, displayName);

  // The white area is a transparent static listed first, so it is painted after the texts on it
  // and would cover them with white: below every other control and clipped by them, it paints
  // only what they leave free.
  if (HWND whiteArea = GetDlgItem(dialog, IDC_WHITE_AREA)) {
    SetWindowLongA(whiteArea, GWL_STYLE, GetWindowLongA(whiteArea, GWL_STYLE) | WS_CLIPSIBLINGS);
    SetWindowPos(whiteArea, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  CenterWindow(dialog);
  bootstrapper->PlayWelcomeWave(TRUE, SND_ASYNC);
}

}  // namespace

void Bootstrapper::SetWelcomeDlgRes(HINSTANCE hInstance, DWORD dwDlgID, DWORD dwStaticMsg1ID,
                                    DWORD dwStaticMsg2ID, DWORD dwStaticSidePanelID, DWORD dwSidePanelBmpID) {
  WelcomeDlgRes.hInstance = hInstance;
  WelcomeDlgRes.dwDlgID = dwDlgID;
  WelcomeDlgRes.dwStaticMsg1ID = dwStaticMsg1ID;
  WelcomeDlgRes.dwStaticMsg2ID = dwStaticMsg2ID;
  WelcomeDlgRes.dwStaticSidePanelID = dwStaticSidePanelID;
  WelcomeDlgRes.dwSidePanelBmpID = dwSidePanelBmpID;
  LogMessage(this,
             "SetWelcomeDlgRes - hInstance: 0x%lu, dwDlgID: %d, dwStaticMsg1ID: %d, dwStaticMsg2ID: %d, "
             "dwStaticSidePanelID: %d, dwSidePanelBmpID: %d.",
             reinterpret_cast<DWORD>(hInstance), dwDlgID, dwStaticMsg1ID, dwStaticMsg2ID, dwStaticSidePanelID,
             dwSidePanelBmpID);
}

bool Bootstrapper::RunWelcomeStep() {
  if ((ListSection.dwFlags & kWelcomeDlg) != 0 && !m_pCommandLine->Has(kOptNoWelcomeDlg) &&
      !m_bUnattended && m_hLanguageModule != nullptr)
    return ShowWelcome();
  // No dialog: the whole welcome is spoken before anything else happens.
  if ((ListSection.dwFlags & kWelcomeWave) != 0 && !m_pCommandLine->Has(kOptNoWelcomeWave))
    PlayWelcomeWave(TRUE, SND_SYNC);
  return true;
}

bool Bootstrapper::ShowWelcome() {
  if (m_hLanguageModule == nullptr || (ListSection.dwFlags & kWelcomeDlg) == 0) return false;
  HMODULE module = m_hLanguageModule;
  DWORD dialog = IDD_WELCOME;
  // The record's dialog in the language module, which carries its words; then in an executable
  // built with a dialog of its own; then the language module's default.
  if (WelcomeDlgRes.dwDlgID != 0) {
    LogMessage(this, "ShowWelcome - Searching for Welcome dialog in executable.");
    const char* own = MAKEINTRESOURCEA(WelcomeDlgRes.dwDlgID);
    const char* dialogType = reinterpret_cast<const char*>(RT_DIALOG);
    if (FindResourceA(m_hLanguageModule, own, dialogType) != nullptr) {
      dialog = WelcomeDlgRes.dwDlgID;
    } else if (FindResourceA(nullptr, own, dialogType) != nullptr) {
      module = nullptr;
      dialog = WelcomeDlgRes.dwDlgID;
    }
  }
  LogMessage(this, "ShowWelcome - hModule: 0x%x, dlg ID: %d: dialog %lu of the %s.", reinterpret_cast<DWORD>(module),
             WelcomeDlgRes.dwDlgID, dialog, module != nullptr ? "language module" : "executable");
  const char* dialogTemplate = MAKEINTRESOURCEA(dialog);
  INT_PTR result = DialogBoxParamA(module, dialogTemplate, nullptr, WelcomeDlgProc, reinterpret_cast<LPARAM>(this));
  if (result == -1) {
    DWORD error = GetLastError();
    LogMessage(this, "ShowWelcome - Failed to show the Welcome dialog. Error: %lu", error);
    ShowError<IDS_WELCOME_FAILED>(this);
    return false;
  }
  return result == IDOK;
}

INT_PTR CALLBACK WelcomeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_hWhiteBrush == nullptr) g_hWhiteBrush = CreateSolidBrush(RGB(255, 255, 255));
  switch (message) {
    case WM_INITDIALOG: {
      auto* bootstrapper = reinterpret_cast<Bootstrapper*>(lParam);
      if (bootstrapper == nullptr) return FALSE;
      InitWelcomeDialog(dialog, bootstrapper);
      return TRUE;
    }
    case WM_COMMAND: {
      WORD id = LOWORD(wParam);
      if (id != IDOK && id != IDCANCEL && id != IDC_SILENT_INSTALL) return FALSE;
      if (Bootstrapper* active = g_pActiveBootstrapper) {
        active->PlayWelcomeWave(FALSE, 0);
        if (id == IDC_SILENT_INSTALL) {
          LogMessage(active, "WelcomeDlgProc - User selected IDNO.  Suppressing speech.");
          active->m_bSpeechSuppressed = TRUE;
          wParam = MAKEWPARAM(IDOK, HIWORD(wParam));
        }
      }
      EndDialog(dialog, static_cast<INT_PTR>(wParam));
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      // Texts too are drawn on white, not on the face colour a static's device context may carry.
      SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(g_hWhiteBrush);
    case WM_DESTROY:
      if (g_hSidePanelBitmap != nullptr) {
        DeleteObject(g_hSidePanelBitmap);
        g_hSidePanelBitmap = nullptr;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
