// The least that any setup engine of this kind does for one installer, for `make bench` to set
// beside the package and the plain copy: a GUI program that makes the engine's own hidden window,
// copies the installer with CopyFileA, runs it, waits for it, deletes it and ends. What the
// package takes beyond this is the engine's own; what this takes beyond the copy is Windows' (or
// Wine's) for a program with a window.
//   PendrixFloor SOURCE TARGET -> exits with the installer's exit code
#include <windows.h>
#include <shellapi.h>

#include "core/HiddenWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc != 3) return ERROR_INVALID_PARAMETER;
  const char* target = __argv[2];
  const char kWindowClass[] = "PendrixFloorWindow";
  HWND window = ShowHiddenWindow(instance, kWindowClass, "Installing");
  DWORD exitCode = ERROR_WRITE_FAULT;
  if (CopyFileA(__argv[1], target, FALSE)) {
    SHELLEXECUTEINFOA launch = {};
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_NOCLOSEPROCESS;
    launch.lpVerb = "open";
    launch.lpFile = target;
    launch.lpParameters = "exit=0";
    launch.nShow = SW_SHOW;
    exitCode = ERROR_FILE_NOT_FOUND;
    if (ShellExecuteExA(&launch) && launch.hProcess != nullptr) {
      WaitForSingleObject(launch.hProcess, INFINITE);
      GetExitCodeProcess(launch.hProcess, &exitCode);
      CloseHandle(launch.hProcess);
    }
    DeleteFileA(target);
  }
  RemoveHiddenWindow(window, kWindowClass);
  return static_cast<int>(exitCode);
}
