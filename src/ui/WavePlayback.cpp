// Wave playback, the running-product test and the keyboard hook. Windows plays at most one
// sound per process: a new PlaySoundA replaces the one playing and PlaySoundA(null) stops it,
// so no playback state is kept here.
#include "core/Bootstrapper.h"

namespace {

constexpr WPARAM kKeyB = 0x42;
constexpr LPARAM kKeyReleased = static_cast<LPARAM>(0x80000000u);  // bit 31: transition state

BOOL StopSound() { return PlaySoundA(nullptr, nullptr, 0); }

}  // namespace

bool SystemUtility::IsZRProductRunning() {
  static const char* const kProductWindowClasses[] = {"ORVIKUI2", "ORVIKUI", "ORVIK", "LUMORAUI"};
  for (const char* windowClass : kProductWindowClasses) {
    if (FindWindowA(windowClass, nullptr) != nullptr) return true;
  }
  return false;
}

// A recording of the language module. The product test comes first, so that a stop request
// while a screen reader runs is skipped (and logged) like the request that started nothing.
BOOL Bootstrapper::PlayWave(BOOL play, DWORD soundFlags, const char* name) {
  if (SystemUtility::IsZRProductRunning()) {
    LogMessage(this, "PlayWave - Skipped wave file because an ZR product is running.");
    return FALSE;
  }
  if (!play) return StopSound();
  if (name == nullptr || FindResourceA(m_hLanguageModule, name, kWaveResourceType) == nullptr) {
    LogMessage(this, "PlayWave - Failed to find wave file %s.", name != nullptr ? name : "");
    return FALSE;
  }
  return PlaySoundA(name, m_hLanguageModule, soundFlags | SND_RESOURCE);
}

// The spoken welcome, a recording of the language module like the other prompts.
BOOL Bootstrapper::PlayWelcomeWave(BOOL play, DWORD soundFlags) {
  if ((ListSection.dwFlags & kWelcomeWave) == 0) return FALSE;
  if (m_pCommandLine->Has(kOptNoWelcomeWave)) return FALSE;
  if (SystemUtility::IsZRProductRunning()) {
    LogMessage(this, "PlayWelcomeWave - Skipped Welcome wave file because an ZR product is running.");
    return FALSE;
  }
  if (m_bSilent) {
    LogMessage(this, "PlayWelcomeWave - Skipped Welcome wave file because Silent mode is on.");
    return FALSE;
  }
  if (!play) return StopSound();
  if (m_hLanguageModule == nullptr || FindResourceA(m_hLanguageModule, kWelcomeWaveName, kWaveResourceType) == nullptr) {
    LogMessage(this, "PlayWelcomeWave - Failed to find Welcome wave file %s.", kWelcomeWaveName);
    return FALSE;
  }
  return PlaySoundA(kWelcomeWaveName, m_hLanguageModule, soundFlags | SND_RESOURCE);
}

// Insert+B or Insert+NumPad 2 hears the welcome again from its start; Ctrl silences it. Once a
// dialog has opened these keys are the package's own and never reach its windows; before that,
// and for every other key or any release, the keystroke passes on untouched.
LRESULT CALLBACK WelcomeKeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
  Bootstrapper* active = g_pActiveBootstrapper;
  if ((lParam & kKeyReleased) == 0 && active != nullptr) {
    if ((wParam == kKeyB || wParam == VK_NUMPAD2) && GetKeyState(VK_INSERT) < 0) {
      active->PlayWelcomeWave(FALSE, 0);
      active->PlayWelcomeWave(TRUE, SND_ASYNC);
      return 1;
    }
    if (wParam == VK_CONTROL) {
      active->PlayWelcomeWave(FALSE, 0);
      return 1;
    }
  }
  return CallNextHookEx(g_hKeyboardHook, code, wParam, lParam);
}
