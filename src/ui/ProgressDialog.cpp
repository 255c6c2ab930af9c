// The "Please wait" dialog that shows one step per finished prerequisite. It runs on a thread
// of its own; the main thread, which waits for the installers, only posts to its windows.
//
// Every step and the close request reach the dialog: the first prerequisite starts only once
// the dialog is up (or is known never to come up), and a close request made while the dialog
// is still coming up is read by the dialog itself when it is there. No wait is unbounded, and
// a dialog that cannot be shown leaves the install as it would be without one.
//
// The thread owns what it touches: a share of its own, released by whichever of the two threads
// lets go last, and its own reference to the language module. So a dialog that does not close in
// time is left behind, and the teardown may free the Bootstrapper and its module under it.
#include "core/Bootstrapper.h"

#include <commctrl.h>
#include <process.h>

#include "core/BoundedString.h"

// What the progress thread and the Bootstrapper share. The thread reads nothing else.
struct ProgressShare {
  LONG volatile references = 2;  // the thread's and the Bootstrapper's
  HMODULE language = nullptr;
  bool ownsLanguage = false;      // a reference of the thread's own, released when it ends
  HANDLE ready = nullptr;         // set once the dialog is up, or known never to come up
  LONG volatile closeRequested = 0;
  HWND volatile dialog = nullptr;  // published by the dialog once it is up
  HWND volatile bar = nullptr;
  DWORD count = 0;
  char displayName[100] = {};
};

namespace {

// How long the prerequisites wait for the dialog to come up, and the main installer for it to
// close; a dialog slower than that is left behind (and closes itself when it comes up).
constexpr DWORD kProgressStartWaitMs = 10000;
constexpr DWORD kProgressCloseWaitMs = 10000;

void Release(ProgressShare* share) {
  if (InterlockedDecrement(&share->references) != 0) return;
  if (share->ready != nullptr) CloseHandle(share->ready);
  delete share;
}

// A reference of the thread's own to the module, by its path: the loader counts it on the one
// already loaded. A module loaded as data has no path to take one by; it is used as it is.
void TakeLanguage(ProgressShare& share, HMODULE language) {
  share.language = language;
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(language, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  HMODULE own = LoadLibraryA(path);
  if (own == language) {
    share.ownsLanguage = true;
  } else if (own != nullptr) {
    FreeLibrary(own);
  }
}

void ReleaseLanguage(ProgressShare& share) {
  if (share.ownsLanguage) FreeLibrary(share.language);
  share.ownsLanguage = false;
}

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

void InitProgressDialog(HWND dialog, ProgressShare& share) {
  char format[500] = {};
  GetDlgItemTextA(dialog, IDC_PROGRESS_TEXT, format, sizeof(format));
  if (format[0] != '\0') {
    char text[1000] = {};
    FormatCut(text, format, share.displayName);
    SetDlgItemTextA(dialog, IDC_PROGRESS_TEXT, text);
  }

  // The bar is set up before anyone can step it: from 0 to the number of prerequisites.
  HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
  SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(share.count));
  SendMessageA(bar, PBM_SETSTEP, 1, 0);
  CenterWindow(dialog);

  Publish(share.bar, bar);
  Publish(share.dialog, dialog);
  SetEvent(share.ready);
  // Read after the handles are published: either the main thread sees the dialog and posts
  // its close request to it, or the dialog sees the request here.
  if (InterlockedCompareExchange(&share.closeRequested, 0, 0) != 0) EndDialog(dialog, IDOK);
}

void ShowProgressDialog(ProgressShare& share) {
  // The bar's window class must exist before the dialog that holds it is created.
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  DialogBoxParamA(share.language, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, ProgressDlgProc,
                  reinterpret_cast<LPARAM>(&share));
}

}  // namespace

void Bootstrapper::StartProgressDialog() {
  if (m_bUnattended) {
    LogMessage(this, "StartProgressDialog - The run is unattended: the progress dialog is not shown.");
    return;
  }
  if (m_hLanguageModule == nullptr) {
    LogMessage(this, "StartProgressDialog - No language module; the progress dialog is not shown.");
    return;
  }
  auto* share = new ProgressShare;
  share->count = m_dwPrerequisiteCount;
  CopyCut(share->displayName, m_szDisplayName);
  TakeLanguage(*share, m_hLanguageModule);
  share->ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = nullptr;
  if (share->ready != nullptr)
    thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ProgressThreadStart, share, 0, nullptr));
  if (thread == nullptr) {
    DWORD error = GetLastError();
    ReleaseLanguage(*share);
    Release(share);  // the thread's share, never taken
    Release(share);
    LogMessage(this, "StartProgressDialog - Failed to start the progress dialog with error: %lu.", error);
    return;
  }
  m_hProgressThread = thread;
  m_pProgressShare = share;

  // The ready sign comes from the dialog once it is up, or from its thread when it could not be.
  HANDLE handles[] = {share->ready, thread};
  DWORD waited = WaitDeliveringSentMessages(2, handles, kProgressStartWaitMs);
  m_hProgressDlg = share->dialog;
  m_hProgressBar = share->bar;
  if (m_hProgressDlg != nullptr) {
    LogMessage(this, "StartProgressDialog - The progress dialog is shown.");
  } else if (waited == WAIT_OBJECT_0 || waited == WAIT_OBJECT_0 + 1) {
    LogMessage(this, "StartProgressDialog - The progress dialog could not be shown.");
  } else {
    // Too late to count every step: a dialog that comes up now closes itself at once.
    InterlockedExchange(&share->closeRequested, 1);
    LogMessage(this, "StartProgressDialog - The progress dialog did not come up in %lu seconds; going on without it.",
               kProgressStartWaitMs / 1000);
  }
}

void Bootstrapper::CloseProgressDialog() {
  if (m_hProgressThread == nullptr) return;
  ProgressShare* share = m_pProgressShare;
  InterlockedExchange(&share->closeRequested, 1);
  // Read after the request (see InitProgressDialog). A dialog the user has already closed is
  // not posted to.
  HWND dialog = share->dialog;
  if (dialog != nullptr && WaitForSingleObject(m_hProgressThread, 0) == WAIT_TIMEOUT)
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  const bool closed = WaitDeliveringSentMessages(1, &m_hProgressThread, kProgressCloseWaitMs) == WAIT_OBJECT_0;
  // The Bootstrapper lets go either way; a thread still running keeps its share and its module.
  CloseHandle(m_hProgressThread);
  m_hProgressThread = nullptr;
  m_pProgressShare = nullptr;
  Release(share);
  if (closed)
    LogMessage(this, "CloseProgressDialog - The progress dialog is closed.");
  else
    LogMessage(this, "CloseProgressDialog - The progress dialog did not close in %lu seconds; going on without it.",
               kProgressCloseWaitMs / 1000);
}

INT_PTR CALLBACK ProgressDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* share = reinterpret_cast<ProgressShare*>(lParam);
      if (share == nullptr) return FALSE;
      InitProgressDialog(dialog, *share);
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
  auto* share = static_cast<ProgressShare*>(argument);
  if (share == nullptr) return;
  ShowProgressDialog(*share);
  // Also when the dialog could not be created: the main thread stops waiting for it.
  SetEvent(share->ready);
  ReleaseLanguage(*share);
  Release(share);
}
