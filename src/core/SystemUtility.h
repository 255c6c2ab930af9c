// Stateless window and system primitives: the message box with its own hidden owner, the
// foreground forcing, whether anyone can see a window, and the test for a running
// screen-reading or magnifying product.
#pragma once
#include <windows.h>

class SystemUtility {
 public:
  // MessageBoxA in front of every other application; returns its result (0 when not shown).
  static int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style);
  static BOOL ForceForegroundWindow(HWND window);
  // False when the process's window station is not visible (a service's session, the system
  // account without an interactive desktop): a box shown there waits for ever, unseen. True when
  // Windows cannot say.
  static bool IsWindowStationVisible();
  // True while a window of the maker's screen reader or magnifier exists.
  static bool IsZRProductRunning();
};
