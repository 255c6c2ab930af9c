// Message boxes and error reports: the box that makes its own hidden owner and forces itself
// in front of the active application, the error report by message number of the language
// module, and the centring of a dialog on the screen.
#include "core/Bootstrapper.h"

#include <shlwapi.h>

#include <cstdarg>

#include "core/BoundedString.h"

namespace {

const char kOwnerClass[] = "ZRInstallationUtility_HiddenWnd";

LRESULT CALLBACK OwnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// A disabled, invisible, zero-size top-level window: the box gets an owner that the package
// can bring to the foreground, and no taskbar entry of its own.
HWND CreateHiddenOwner() {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = OwnerWindowProc;
  windowClass.lpszClassName = kOwnerClass;
  RegisterClassExA(&windowClass);  // already registered is fine
  return CreateWindowExA(0, kOwnerClass, "", WS_DISABLED, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

int SystemUtility::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
  HWND hiddenOwner = nullptr;
  if (owner == nullptr) {
    hiddenOwner = CreateHiddenOwner();
    if (hiddenOwner != nullptr) ForceForegroundWindow(hiddenOwner);
  }
  int result = MessageBoxA(hiddenOwner != nullptr ? hiddenOwner : owner, text, caption, style | MB_SETFOREGROUND);
  if (owner == nullptr) {
    if (hiddenOwner != nullptr) DestroyWindow(hiddenOwner);
    UnregisterClassA(kOwnerClass, nullptr);
  }
  return result;
}

BOOL SystemUtility::ForceForegroundWindow(HWND window) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  GetVersionExA(&version);

  // Windows 98 and Me refuse the foreground to a background process while the lock
  // timeout runs: switch the timeout off for the one call, without saving it to the profile.
  if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && version.dwMinorVersion >= 1) {
    DWORD timeout = 0;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    Sleep(10);
    BOOL result = SetForegroundWindow(window);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(timeout)), 0);
    return result;
  }

  // Windows 2000 and later let the thread that owns the foreground pass it on: share its
  // input state for the one call.
  if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5) {
    DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    DWORD thisThread = GetCurrentThreadId();
    BOOL attached = foregroundThread != 0 && foregroundThread != thisThread &&
                    AttachThreadInput(foregroundThread, thisThread, TRUE);
    BOOL result = SetForegroundWindow(window);
    if (attached) AttachThreadInput(foregroundThread, thisThread, FALSE);
    return result;
  }

  return SetForegroundWindow(window);
}

bool SystemUtility::CanWindowsBeSeen() {
  // An interactive service's WinSta0 in session 0 reads visible, but no user's desktop shows it.
  DWORD session = 0;
  if (IsVistaOrLater() && ProcessIdToSessionId(GetCurrentProcessId(), &session) && session == 0) return false;
  USEROBJECTFLAGS flags = {};
  HWINSTA station = GetProcessWindowStation();
  if (station == nullptr || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof(flags), nullptr)) return true;
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

void ShowError(Bootstrapper* bootstrapper, UINT messageId, ...) {
  if (bootstrapper == nullptr || bootstrapper->m_bSilent) return;

  char caption[100] = {};
  char message[1000] = {};
  char format[1000] = {};
  HMODULE language = bootstrapper->m_hLanguageModule;
  if (language != nullptr) {
    LoadMessage<IDS_ERROR_CAPTION>(language, caption, sizeof(caption));
    LoadStringA(language, messageId, format, sizeof(format));
    if (format[0] != '\0') {
      // Bounded: a long argument cuts the message at 999 characters instead of overrunning it.
      va_list args;
      va_start(args, messageId);
      wvnsprintfA(message, sizeof(message), format, args);
      va_end(args);
      message[sizeof(message) - 1] = '\0';
    }
  }
  if (caption[0] == '\0') FormatCut(caption, "%s Setup Package Error", bootstrapper->m_szDisplayName);
  // Without the language module (a full disk is one reason, a damaged package another), at
  // least the cause is told, in the few words the executable holds.
  if (message[0] == '\0')
    CopyCut(message, messageId == IDS_DISK_FULL         ? "There is not enough disk space for the setup files."
                     : messageId == IDS_PACKAGE_DAMAGED ? "The setup package is damaged. Download it again."
                                                        : "There was an error during the installation process.");

  SystemUtility::ShowMessageBox(nullptr, message, caption, MB_OK | MB_ICONEXCLAMATION);
}

void CenterWindow(HWND window) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return;
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  MoveWindow(window, x, y, width, height, FALSE);
}
