// Wave playback, the running-product test and the keyboard hook.
#include "core/Bootstrapper.h"

bool SystemUtility::IsZRProductRunning() {
  static const char* const kProductWindowClasses[] = {"ORVIKUI2", "ORVIKUI", "ORVIK", "LUMORAUI"};
  for (const char* windowClass : kProductWindowClasses) {
    if (FindWindowA(windowClass, nullptr) != nullptr) return true;
  }
  return false;
}

BOOL Bootstrapper::PlayWave(BOOL, DWORD, const char*) { return FALSE; }
BOOL Bootstrapper::PlayWelcomeWave(BOOL, DWORD) { return FALSE; }

LRESULT CALLBACK WelcomeKeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(g_hKeyboardHook, code, wParam, lParam);
}
