// The install: setup type, requirement checks, welcome, prerequisites, a deferred restart,
// the main installer. This is the one place that knows the order of the whole package.
#include "core/Bootstrapper.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "core/HandleOwner.h"
#include "core/PrerequisiteStage.h"
#include "core/SplitString.h"
#include "core/Trace.h"
#include "settings/ProfileRead.h"

namespace {
// How long a magnifier asked to close may take before the restart goes ahead without it.
constexpr DWORD kMagnifierCloseWaitMs = 30000;
}  // namespace

DWORD Bootstrapper::DoSettings_Install() {
  LogMessage(this, "DoSettings_Install - Settings file: %s.", m_szSettingsPath);
  if (!SettingsFileExists(m_szSettingsPath)) {
    LogMessage(this, "DoSettings_Install - No Settings file to run.");
    m_RunOutcome = RunOutcome::kNoSettings;
    ShowError<IDS_NO_SETTINGS>(this);
    return kExitNoSettings;
  }
  DWORD result = SetListSection();
  TraceMark("setup type read");
  if (result != ERROR_SUCCESS) {
    LogMessage(this, "DoSettings_Install - Failed to read the List section in Settings.");
    m_RunOutcome = RunOutcome::kSettingsError;
    return result;
  }
  if (!CheckRequiredPermissions()) {
    LogMessage(this, "DoSettings_Install - User does not have the required permission level.");
    m_RunOutcome = RunOutcome::kPermissionRefused;
    return kExitRequirementNotMet;
  }
  if (!CheckRequiredOS()) {
    LogMessage(this, "DoSettings_Install - Operating system not supported.");
    m_RunOutcome = RunOutcome::kOSRefused;
    return kExitRequirementNotMet;
  }
  if (!CheckRequiredPlatform()) {
    LogMessage(this, "DoSettings_Install - Platform not supported.");
    m_RunOutcome = RunOutcome::kPlatformRefused;
    return kExitRequirementNotMet;
  }
  TraceMark("requirements");
  if (!RunWelcomeStep()) {
    LogMessage(this, "DoSettings_Install - User chose Cancel at the Welcome dialog.");
    m_RunOutcome = RunOutcome::kWelcomeCancelled;
    return kExitSuccess;
  }

  DWORD exitCode = kExitSuccess;
  std::vector<std::string> prerequisites;
  SplitString(ListSection.PreInstall, "|", prerequisites);
  if (!prerequisites.empty()) {
    m_dwPrerequisiteCount = static_cast<DWORD>(prerequisites.size());
    // The restore point and the progress dialog come together, and only around prerequisites.
    PrerequisiteStage stage(*this, (ListSection.dwFlags & kShowProgressBar) != 0);
    // A restart during the prerequisites resumes the package after the next logon.
    const bool resumes = AddToRunOnce();
    TraceMark("prerequisites: progress, restore point, RunOnce");

    for (const std::string& name : prerequisites) {
      DWORD action = kActionContinue;
      exitCode = InstallPrerequisite(name.c_str(), &action, FALSE, FALSE);
      if (HWND bar = m_hProgressBar) PostMessageA(bar, PBM_STEPIT, 0, 0);
      LogMessage(this, "DoSettings_Install - Install prerequisite exit code: %lu; return action: %lu", exitCode,
                 action);
      // The prerequisite succeeded, but nothing may follow it before the restart it needs.
      if (action == kActionRestartDeclined && exitCode == kExitSuccess) {
        LogMessage(this, "DoSettings_Install - The restart that %s needs has not been done; the package ends with %lu.",
                   name.c_str(), kExitRestartRequired);
        if (resumes) {
          LogMessage(this, "DoSettings_Install - The RunOnce entry stays: the rest of the package runs at the next "
                     "logon, after the restart.");
          m_RunOutcome = RunOutcome::kRestartFirst;
        } else {
          RemoveFromRunOnce();
          ShowStartAgain();
          m_RunOutcome = RunOutcome::kRestartFirstNoResume;
        }
        return kExitRestartRequired;
      }
      if (action == kActionFailed || action == kActionRestartDeclined) {
        m_RunOutcome = action == kActionRestartDeclined ? RunOutcome::kRestartDeclined
                       : m_bInstallerNotRun        ? RunOutcome::kPrerequisiteNotRun
                                                   : RunOutcome::kPrerequisiteFailed;
        RemoveFromRunOnce();
        return exitCode;
      }
      if (action == kActionRestarting) {
        m_RunOutcome = RunOutcome::kRestartStarted;
        return kExitRestartInitiated;
      }
    }

    stage.End();

    if (m_wDeferredReboot != 0) {
      LogMessage(this, "DoSettings_Install - Deferred reboot detected.");
      BOOL mainFollows = ListSection.MainInstall[0] != '\0';
      if (!mainFollows) RemoveFromRunOnce();
      int promptMode = m_wDeferredReboot == kDeferReboot ? kRebootPromptDeferred : kRebootPromptDeferredForce;
      if (ShowReboot(promptMode, mainFollows)) {
        // The RunOnce entry stays when the main installer is still to run after the restart.
        CloseMagnifier();
        if (RestartComputer() == ERROR_SUCCESS) {
          m_RunOutcome = RunOutcome::kRestartStarted;
          return kExitRestartInitiated;
        }
        // Not under way: the package goes on as after a declined restart.
      }
    }
    RemoveFromRunOnce();
  }

  if (ListSection.MainInstall[0] != '\0') {
    exitCode = InstallMain(ListSection.MainInstall, TRUE, FALSE, nullptr);
    LogMessage(this, "DoSettings_Install - Install main exit code: %lu", exitCode);
    m_RunOutcome = m_bInstallerNotRun ? RunOutcome::kMainInstallerNotRun : RunOutcome::kMainInstallerRan;
  } else {
    LogMessage(this, "DoSettings_Install - No main install found.");
    m_RunOutcome = RunOutcome::kPrerequisitesRan;
  }
  ShowRestartProduct();
  // A deployment tool reads 0 as "installed, nothing more to do". Any other code stays: 3010
  // never replaces a failure.
  if (exitCode == kExitSuccess && (m_wDeferredReboot != 0 || m_bRestartNotDone)) {
    LogMessage(this, "DoSettings_Install - A restart that a prerequisite needs has not been done; the package ends "
               "with %lu.", kExitRestartRequired);
    m_RunOutcome = RunOutcome::kRestartNotDone;
    return kExitRestartRequired;
  }
  return exitCode;
}

DWORD Bootstrapper::InstallPrerequisite(const char* section, DWORD* action, BOOL mainInstaller, BOOL reinstalling) {
  auto install = [&]() {
    LogMessage(this, "InstallPrerequisite - Installing the prerequisite %s.", section);
    DWORD code = RunInstaller(section, mainInstaller);
    LogMessage(this, "InstallPrerequisite - Installation exit code: %lu", code);
    return code;
  };
  DWORD exitCode = install();
  if (action == nullptr) return exitCode;
  // A broken install is cleaned up and run once more; a second request to reinstall fails.
  for (;;) {
    // An installer that could not be extracted, checked or started has no exit code to judge:
    // its component is missing, and what needs it must not be installed.
    if (m_bInstallerNotRun) {
      LogMessage(this, "InstallPrerequisite - The prerequisite %s could not be run; the package stops with %lu.", section,
                 exitCode);
      // A section that could not be read has told the user so in a box of its own.
      if (!m_bInstallerSectionUnread) ShowFailure(section);
      *action = kActionFailed;
      return exitCode;
    }
    *action = CheckExitCode(section, exitCode, reinstalling);
    if (*action != kActionReinstall) return exitCode;
    if (reinstalling) {
      *action = kActionFailed;
      return exitCode;
    }
    reinstalling = TRUE;
    exitCode = install();
  }
}

DWORD Bootstrapper::InstallMain(const char* section, BOOL mainInstaller, BOOL checkExitCode, DWORD* action) {
  LogMessage(this, "InstallMain - Installing the main product %s.", section);
  DWORD exitCode = RunInstaller(section, mainInstaller);
  LogMessage(this, "InstallMain - Installation exit code: %lu", exitCode);
  // The user is told that the product was not installed, as for a prerequisite.
  if (m_bInstallerNotRun) {
    LogMessage(this, "InstallMain - The main installer %s could not be run.", section);
    if (!m_bInstallerSectionUnread) ShowFailure(section);
  }
  if (checkExitCode && action != nullptr) *action = CheckExitCode(section, exitCode, FALSE);
  return exitCode;
}

void Bootstrapper::CloseMagnifier() {
  UINT closeMessage = RegisterWindowMessageA("LUMORA_CLOSE");
  HWND magnifier = FindWindowA("LUMORAUI", nullptr);
  if (magnifier == nullptr) return;
  DWORD processId = 0;
  GetWindowThreadProcessId(magnifier, &processId);
  PostMessageA(magnifier, closeMessage, 0, 1);
  LogMessage(this, "CloseMagnifier - Asked the magnifier to close.");
  if (processId == 0) return;
  KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  if (!process) return;
  // A magnifier that does not close must not hold the restart back for ever.
  if (WaitForSingleObject(process.get(), kMagnifierCloseWaitMs) != WAIT_OBJECT_0)
    LogMessage(this, "CloseMagnifier - The magnifier did not close in %lu seconds; restarting all the same.",
               kMagnifierCloseWaitMs / 1000);
}
