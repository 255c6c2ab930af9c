// The process entry: the Bootstrapper object, the hidden window that gives the package its
// taskbar entry, the run, and the exit code.
#include "core/Bootstrapper.h"
#include "core/HiddenWindow.h"
#include "core/SystemFolder.h"
#include "core/Trace.h"

namespace {

const char kHiddenWindowClass[] = "BootstrapperHiddenWindow";
// The window is made before any language is loaded, which then gives it its own title.
const char kHiddenWindowTitle[] = "Installing Vellora";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  TraceProcessStart();
  RestrictDllSearch();  // before anything can load a DLL
  DWORD exitCode;
  {
    Bootstrapper bootstrapper(commandLine);
    TraceMark("start-up: command line, folders, log");

    HWND hiddenWindow = ShowHiddenWindow(instance, kHiddenWindowClass, kHiddenWindowTitle);
    bootstrapper.m_hHiddenWindow = hiddenWindow;
    TraceMark("hidden window");

    if (SystemUtility::IsZRProductRunning())
      bootstrapper.m_bProductRunningAtStart = TRUE;
    else
      bootstrapper.SetWelcomeDlgRes(instance, IDD_PACKAGE_WELCOME, IDC_PACKAGE_WELCOME_TITLE, IDC_PACKAGE_WELCOME_TEXT,
                                    IDC_SIDE_PANEL, IDB_PACKAGE_SIDE_PANEL);

    exitCode = bootstrapper.RunBootstrapper();

    TraceMark("the run's last lines");
    bootstrapper.m_hHiddenWindow = nullptr;
    RemoveHiddenWindow(hiddenWindow, kHiddenWindowClass);
    TraceMark("hidden window: destroyed");
  }
  return static_cast<int>(exitCode);
}
