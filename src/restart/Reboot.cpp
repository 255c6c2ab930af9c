// The restart of the computer: the prompt that asks for it (with its recording), the restart
// itself, and the notice that the user's product must be restarted.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "restart/RestartCalls.h"

namespace {

// Planned, major reason application, minor reason installation.
constexpr DWORD kRestartReason = 0x80000000 | 0x00040000 | 0x00000002;

InitiateShutdownFn FindInitiateShutdown() {
  HMODULE advapi = GetModuleHandleA("Advapi32.DLL");
  if (advapi == nullptr) return nullptr;
  return reinterpret_cast<InitiateShutdownFn>(GetProcAddress(advapi, "InitiateSystemShutdownExA"));
}

// The last error of a failed call; a call that failed without one still failed.
DWORD LastErrorOr(DWORD fallback) {
  DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : fallback;
}

// Enables or disables the shutdown privilege of the token; 0 or the error of the step that failed.
DWORD SetShutdownPrivilege(HANDLE token, bool enable) {
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  if (!LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
    return LastErrorOr(ERROR_NO_SUCH_PRIVILEGE);
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  SetLastError(ERROR_SUCCESS);
  if (!g_RestartCalls.adjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr))
    return LastErrorOr(ERROR_NOT_ALL_ASSIGNED);
  // The call succeeds also when the token lacks the privilege; only the last error tells.
  return GetLastError() == ERROR_NOT_ALL_ASSIGNED ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS;
}

void LoadCaption(const Bootstrapper& bootstrapper, char (&caption)[100]) {
  char format[500] = {};
  LoadMessage<IDS_SETUP_PACKAGE_CAPTION, 1>(bootstrapper.m_hLanguageModule, format, sizeof(format) - 1);
  if (format[0] != '\0') FormatCut(caption, format, bootstrapper.m_szDisplayName);
}

}  // namespace

RestartCalls g_RestartCalls = {AdjustTokenPrivileges, FindInitiateShutdown, ExitWindowsEx};

bool Bootstrapper::ShowReboot(int mode, BOOL furtherWork) {
  if (m_bSilent) return false;
  char caption[100] = {};
  char text[500] = {};
  char wave[260] = {};
  UINT buttons = MB_OK;
  if (m_hLanguageModule != nullptr) {
    const bool okCancel = mode == kRebootPromptDeferred || mode == kRebootPromptImmediate;
    buttons = okCancel ? MB_OKCANCEL : MB_OK;
    const char* name = okCancel ? (furtherWork ? kRebootOkCancel1WaveName : kRebootOkCancel2WaveName)
                                : (furtherWork ? kRebootOk1WaveName : kRebootOk2WaveName);
    CopyCut(wave, name, 259);
    LoadCaption(*this, caption);
    LoadMessage<IDS_REBOOT>(m_hLanguageModule, text, sizeof(text));
  }

  const bool spoken = (ListSection.dwFlags & kRebootWave) != 0;
  if (spoken) PlayRebootWave(TRUE, SND_ASYNC, wave);
  LogMessage(this, "ShowReboot - Prompting user to reboot the system. Reboot mode: %d", mode);
  int result = SystemUtility::ShowMessageBox(nullptr, text, caption, buttons | MB_ICONEXCLAMATION);
  if (spoken) PlayRebootWave(FALSE, 0, nullptr);
  LogMessage(this, "ShowReboot - User decision: %d.", result);
  // A box with OK alone can only be agreed to: Windows answers Escape there with OK, and a box
  // implementation that answers it with Cancel must not turn it into a declined restart.
  if (buttons == MB_OK) return result != 0;
  return result == IDOK || result == IDYES;
}

BOOL Bootstrapper::PlayRebootWave(BOOL play, DWORD soundFlags, const char* name) {
  if ((ListSection.dwFlags & kRebootWave) == 0) return FALSE;
  if (SystemUtility::IsZRProductRunning()) {
    LogMessage(this, "PlayRebootWave - Skipped Reboot wave file because an ZR product is running.");
    return FALSE;
  }
  if (!play) return PlaySoundA(nullptr, nullptr, 0);
  if (name == nullptr || FindResourceA(m_hLanguageModule, name, kWaveResourceType) == nullptr) {
    LogMessage(this, "PlayRebootWave - Failed to find Reboot wave file %s.", name != nullptr ? name : "");
    return FALSE;
  }
  return PlaySoundA(name, m_hLanguageModule, soundFlags | SND_RESOURCE);
}

void Bootstrapper::ShowRestartProduct() {
  if ((ListSection.dwFlags & kRestartProductDlg) == 0) return;
  char caption[100] = {};
  char text[500] = {};
  if (m_hLanguageModule != nullptr) {
    LoadCaption(*this, caption);
    LoadMessage<IDS_RESTART_PRODUCT>(m_hLanguageModule, text, sizeof(text));
  }
  LogMessage(this, "ShowReboot - Prompting user to restart product.");
  SystemUtility::ShowMessageBox(nullptr, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

DWORD Bootstrapper::RestartComputer() {
  const RestartCalls& calls = g_RestartCalls;
  // Windows NT and later restart only for a process that holds the shutdown privilege; the
  // privilege is given back afterwards. Without it the calls below fail with their own error.
  KernelHandle token;
  if (m_OSVersion.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    bool enabled = OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()) &&
                   SetShutdownPrivilege(token.get(), true) == ERROR_SUCCESS;
    if (!enabled) token.reset();
  }

  InitiateShutdownFn initiateShutdown = calls.findInitiateShutdown();
  DWORD shutdownResult = ERROR_CALL_NOT_IMPLEMENTED;
  if (initiateShutdown != nullptr) {
    shutdownResult = ERROR_SUCCESS;
    if (!initiateShutdown(nullptr, nullptr, 0, FALSE, TRUE, kRestartReason))
      shutdownResult = LastErrorOr(ERROR_GEN_FAILURE);
  }
  // The older exit call only stands in for an extended call that is missing or failed. Once the
  // restart is under way, a second request would only add a forced restart on top of it.
  DWORD result = ERROR_SUCCESS;
  if (shutdownResult != ERROR_SUCCESS && !calls.exitWindowsEx(EWX_REBOOT | EWX_FORCEIFHUNG, kRestartReason))
    result = LastErrorOr(shutdownResult);

  if (token) SetShutdownPrivilege(token.get(), false);
  return result;
}
