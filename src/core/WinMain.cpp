// The process entry: the Bootstrapper object, the hidden window that gives the package its
// taskbar entry, the run, and the exit code.
#include "core/Bootstrapper.h"
#include "core/SystemFolder.h"
#include "core/Trace.h"

namespace {

const char kHiddenWindowClass[] = "BootstrapperHiddenWindow";

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  TraceProcessStart();
  RestrictDllSearch();  // before anything can load a DLL
  DWORD exitCode;
  {
    Bootstrapper bootstrapper(commandLine);
    TraceMark("start-up: command line, folders, log");

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = HiddenWindowProc;
    windowClass.lpszClassName = kHiddenWindowClass;
    RegisterClassExA(&windowClass);
    HWND hiddenWindow = CreateWindowExA(0, kHiddenWindowClass, "Installing Vellora", WS_MINIMIZE, 0, 0, 0, 0,
                                        nullptr, nullptr, instance, nullptr);
    ShowWindow(hiddenWindow, SW_SHOW);
    UpdateWindow(hiddenWindow);
    TraceMark("hidden window");

    if (SystemUtility::IsZRProductRunning())
      bootstrapper.m_bProductRunningAtStart = TRUE;
    else
      bootstrapper.SetWelcomeDlgRes(instance, IDD_PACKAGE_WELCOME, IDC_PACKAGE_WELCOME_TITLE, IDC_PACKAGE_WELCOME_TEXT,
                                    IDC_SIDE_PANEL, IDB_PACKAGE_SIDE_PANEL);

    exitCode = bootstrapper.RunBootstrapper();

    TraceMark("the run's last lines");
    if (hiddenWindow != nullptr) DestroyWindow(hiddenWindow);
    UnregisterClassA(kHiddenWindowClass, nullptr);
    TraceMark("hidden window: destroyed");
  }
  return static_cast<int>(exitCode);
}
