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

// What a reboot box shows and plays, by its buttons (OK and Cancel, or OK alone: the restart
// cannot be put off) and by whether setup goes on after the restart. Each text says what its
// recording says.
struct RebootPrompt {
  bool okCancel;
  bool furtherWork;
  unsigned text;
  const char* wave;
};
constexpr RebootPrompt kRebootPrompts[] = {
    {true, true, IDS_REBOOT_NOW_OR_LATER_RESUME, kRebootOkCancel1WaveName},
    {true, false, IDS_REBOOT_NOW_OR_LATER, kRebootOkCancel2WaveName},
    {false, true, IDS_REBOOT_NOW_RESUME, kRebootOk1WaveName},
    {false, false, IDS_REBOOT_NOW, kRebootOk2WaveName},
};

constexpr bool TakeNoStrings(const RebootPrompt* prompts, size_t count) {
  for (size_t i = 0; i < count; i++)
    if (MessageStrings(prompts[i].text) != 0 || !SaysMessage(prompts[i].wave, prompts[i].text)) return false;
  return true;
}
static_assert(TakeNoStrings(kRebootPrompts, sizeof(kRebootPrompts) / sizeof(kRebootPrompts[0])),
              "the reboot texts are shown as they stand, each with the recording that says it");

const RebootPrompt& FindRebootPrompt(bool okCancel, bool furtherWork) {
  for (const RebootPrompt& prompt : kRebootPrompts)
    if (prompt.okCancel == okCancel && prompt.furtherWork == furtherWork) return prompt;
  return kRebootPrompts[0];  // not reached: the table has every pair
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
    // A package that will not resume promises no continuation.
    const RebootPrompt& prompt = FindRebootPrompt(okCancel, furtherWork != FALSE && m_szNotResumed[0] == '\0');
    CopyCut(wave, prompt.wave, 259);
    LoadCaption(*this, caption);
    // A language DLL made before the texts that follow the recordings has the one text for all.
    if (LoadStringA(m_hLanguageModule, prompt.text, text, sizeof(text)) == 0)
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
  const bool agreed = buttons == MB_OK ? result != 0 : result == IDOK || result == IDYES;
  if (agreed && furtherWork) ShowStartAgain();
  return agreed;
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
  LogMessage(this, "PlayRebootWave - Playing the reboot wave file %s.", name);
  return PlaySoundA(name, m_hLanguageModule, soundFlags | SND_RESOURCE);
}

void Bootstrapper::ShowRestartProduct() {
  // Silent mode shows this notice; an unattended run shows nothing at all.
  if ((ListSection.dwFlags & kRestartProductDlg) == 0 || m_bUnattended) return;
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
  // What the run began around the prerequisites ends before the restart is asked for: with a
  // time-out of 0 the process may be gone before its own way out could end it.
  EndSystemRestorePoint();
  CloseProgressDialog();
  LogMessage(this, "RestartComputer - Asking Windows to restart the computer.");

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
  if (result != ERROR_SUCCESS)
    LogMessage(this, "RestartComputer - The restart could not be started. Error: %lu.", result);
  return result;
}
