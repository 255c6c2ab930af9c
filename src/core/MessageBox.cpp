// Message boxes and error reports.
#include "core/Bootstrapper.h"

int SystemUtility::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
  return MessageBoxA(owner, text, caption, style | MB_SETFOREGROUND);
}

BOOL SystemUtility::ForceForegroundWindow(HWND window) { return SetForegroundWindow(window); }

void ShowError(Bootstrapper*, UINT, ...) {}

void CenterWindow(HWND) {}
