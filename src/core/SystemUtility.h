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
  // False when nobody can see the process's windows: its window station is not visible (a
  // service's, the system account's without an interactive desktop), or it runs in session 0,
  // which no user sees since Windows Vista. A box shown there waits for ever. True when Windows
  // cannot say.
  static bool CanWindowsBeSeen();
  // True while a window of the maker's screen reader or magnifier exists.
  static bool IsZRProductRunning();
};
