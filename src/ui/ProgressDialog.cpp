// The "Please wait" dialog that shows one step per finished prerequisite. It runs on a thread
// of its own; the main thread, which waits for the installers, only posts to its windows.
//
// Every step and the close request reach the dialog: the first prerequisite starts only once
// the dialog is up (or is known never to come up), and a close request made while the dialog
// is still coming up is read by the dialog itself when it is there. No wait is unbounded, and
// a dialog that cannot be shown leaves the install as it would be without one.
#include "core/Bootstrapper.h"

#include <commctrl.h>
#include <process.h>

#include "core/BoundedString.h"

namespace {

// How long the prerequisites wait for the dialog to come up, and the main installer for it to
// close; a dialog slower than that is left behind (and closes itself when it comes up).
constexpr DWORD kProgressStartWaitMs = 10000;
constexpr DWORD kProgressCloseWaitMs = 10000;

unsigned __stdcall ProgressThreadStart(void* argument) {
  ProgressThreadProc(argument);
  return 0;
}

// Waits for one of the handles while delivering the messages other threads send to this
// one's windows, so that the dialog thread can never block on the waiting main thread.
DWORD WaitDeliveringSentMessages(DWORD count, const HANDLE* handles, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    DWORD left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
    DWORD result = MsgWaitForMultipleObjects(count, handles, FALSE, left, QS_SENDMESSAGE);
    if (result != WAIT_OBJECT_0 + count) return result;
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void Publish(HWND volatile& field, HWND window) {
  InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&field), window);
}

void InitProgressDialog(HWND dialog, Bootstrapper* bootstrapper) {
  g_pActiveBootstrapper = bootstrapper;

  char displayName[100] = {};
  CopyCut(displayName, bootstrapper->m_szDisplayName);
  char format[500] = {};
  GetDlgItemTextA(dialog, IDC_PROGRESS_TEXT, format, sizeof(format));
  if (format[0] != '\0') {
    char text[1000] = {};
    FormatCut(text, format, displayName);
    SetDlgItemTextA(dialog, IDC_PROGRESS_TEXT, text);
  }

  // The bar is set up before anyone can step it: from 0 to the number of prerequisites.
  HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
  SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(bootstrapper->m_dwPrerequisiteCount));
  SendMessageA(bar, PBM_SETSTEP, 1, 0);
  CenterWindow(dialog);

  Publish(bootstrapper->m_hProgressBar, bar);
  Publish(bootstrapper->m_hProgressDlg, dialog);
  SetEvent(bootstrapper->m_hProgressReady);
  // Read after the handles are published: either the main thread sees the dialog and posts
  // its close request to it, or the dialog sees the request here.
  if (InterlockedCompareExchange(&bootstrapper->m_lProgressCloseRequested, 0, 0) != 0) EndDialog(dialog, IDOK);
}

}  // namespace

void Bootstrapper::StartProgressDialog() {
  if (m_hLanguageModule == nullptr) {
    LogMessage(this, "StartProgressDialog - No language module; the progress dialog is not shown.");
    return;
  }
  m_lProgressCloseRequested = 0;
  m_hProgressReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (m_hProgressReady != nullptr)
    m_hProgressThread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ProgressThreadStart, this, 0, nullptr));
  if (m_hProgressThread == nullptr) {
    DWORD error = GetLastError();
    if (m_hProgressReady != nullptr) CloseHandle(m_hProgressReady);
    m_hProgressReady = nullptr;
    LogMessage(this, "StartProgressDialog - Failed to start the progress dialog with error: %lu.", error);
    return;
  }

  // The ready sign comes from the dialog once it is up, or from its thread when it could not be.
  HANDLE handles[] = {m_hProgressReady, m_hProgressThread};
  DWORD waited = WaitDeliveringSentMessages(2, handles, kProgressStartWaitMs);
  if (m_hProgressDlg != nullptr) {
    LogMessage(this, "StartProgressDialog - The progress dialog is shown.");
  } else if (waited == WAIT_OBJECT_0 || waited == WAIT_OBJECT_0 + 1) {
    LogMessage(this, "StartProgressDialog - The progress dialog could not be shown.");
  } else {
    // Too late to count every step: a dialog that comes up now closes itself at once.
    InterlockedExchange(&m_lProgressCloseRequested, 1);
    LogMessage(this, "StartProgressDialog - The progress dialog did not come up in %lu seconds; going on without it.",
               kProgressStartWaitMs / 1000);
  }
}

void Bootstrapper::CloseProgressDialog() {
  if (m_hProgressThread == nullptr) return;
  InterlockedExchange(&m_lProgressCloseRequested, 1);
  // A dialog the user has already closed is not posted to.
  HWND dialog = m_hProgressDlg;
  if (dialog != nullptr && WaitForSingleObject(m_hProgressThread, 0) == WAIT_TIMEOUT)
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  if (WaitDeliveringSentMessages(1, &m_hProgressThread, kProgressCloseWaitMs) != WAIT_OBJECT_0) {
    // The handles stay open: the thread may still use them.
    LogMessage(this, "CloseProgressDialog - The progress dialog did not close in %lu seconds; going on.",
               kProgressCloseWaitMs / 1000);
    return;
  }
  CloseHandle(m_hProgressThread);
  CloseHandle(m_hProgressReady);
  m_hProgressThread = nullptr;
  m_hProgressReady = nullptr;
  LogMessage(this, "CloseProgressDialog - The progress dialog is closed.");
}

void Bootstrapper::ShowProgressDialog() {
  // The bar's window class must exist before the dialog that holds it is created.
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  DialogBoxParamA(m_hLanguageModule, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, ProgressDlgProc,
                  reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ProgressDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* bootstrapper = reinterpret_cast<Bootstrapper*>(lParam);
      if (bootstrapper == nullptr) return FALSE;
      InitProgressDialog(dialog, bootstrapper);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, static_cast<INT_PTR>(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void __cdecl ProgressThreadProc(void* argument) {
  auto* bootstrapper = static_cast<Bootstrapper*>(argument);
  if (bootstrapper == nullptr) return;
  bootstrapper->ShowProgressDialog();
  // Also when the dialog could not be created: the main thread stops waiting for it.
  if (bootstrapper->m_hProgressReady != nullptr) SetEvent(bootstrapper->m_hProgressReady);
}
