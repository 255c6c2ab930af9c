// The icon of the package's dialogs: the executable's own, the same whatever language runs.
#include "core/Bootstrapper.h"

void SetDialogIcon(HWND dialog) {
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), kSetupIconName);
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}
