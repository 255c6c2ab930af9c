// The install: setup type, requirement checks, welcome, prerequisites, a deferred restart,
// the main installer. This is the one place that knows the order of the whole package.
#include "core/Bootstrapper.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "core/PrerequisiteStage.h"
#include "core/SplitString.h"
#include "core/Trace.h"
#include "settings/ProfileRead.h"

namespace {
// How long a magnifier asked to close may take before the restart goes ahead without it.
constexpr DWORD kMagnifierCloseWaitMs = 30000;

// Which rule decided a prerequisite's exit code, in words for the log.
void RuleInWords(const Bootstrapper& b, DWORD exitCode, char (&words)[200]) {
  if (b.m_bInstallerNotRun) {
    CopyCut(words, "it could not be run");
    return;
  }
  if (b.m_bInstallerSkipped) {
    CopyCut(words, "it was skipped, so there is no exit code to judge");
    return;
  }
  switch (b.m_LastRule) {
    case DecidingRule::kForceRestart:
      CopyCut(words, "Reboot=force asks for a restart whatever the exit code");
      return;
    case DecidingRule::kReturn:
      CopyCut(words, "Reboot=return, so its code lists are not consulted");
      return;
    case DecidingRule::kRebootCodes:
      FormatCut(words, "exit code %lu is in its RebootCodes (Reboot=%s)", exitCode, b.InstallerSection.Reboot);
      return;
    case DecidingRule::kFailCodes:
      FormatCut(words, "exit code %lu is in its FailCodes", exitCode);
      return;
    case DecidingRule::kReinstallCodes:
      FormatCut(words, "exit code %lu is in its ReinstallCodes", exitCode);
      return;
    case DecidingRule::kNone:
      break;
  }
  FormatCut(words, "exit code %lu is in none of its lists, so it is not judged", exitCode);
}

// Acts on a prerequisite's return action, and says in words after the defined line which rule
// decided and what follows: true when the package ends, with packageCode. The RunOnce entry
// stays only where the rest of the package is to run after a restart; `resumes` is whether one
// was written.
bool EndsAfterPrerequisite(Bootstrapper& b, const char* name, DWORD exitCode, DWORD action, bool resumes,
                           DWORD& packageCode) {
  char rule[200] = {};
  RuleInWords(b, exitCode, rule);
  char next[200] = "the package goes on";
  bool ends = true;
  packageCode = exitCode;
  const RestartNotDone notDone = JudgeRestartNotDone(exitCode, b.m_LastRule);
  if (action == kActionRestarting) {
    packageCode = kExitRestartInitiated;
    b.m_RunOutcome = RunOutcome::kRestartStarted;
    FormatCut(next, "the computer restarts, and the package ends with %lu", packageCode);
  } else if (action == kActionRestartDeclined && notDone == RestartNotDone::kRestartFirst) {
    // It succeeded, but nothing may follow it before the restart it needs.
    packageCode = kExitRestartRequired;
    b.m_RunOutcome = resumes ? RunOutcome::kRestartFirst : RunOutcome::kRestartFirstNoResume;
    FormatCut(next, "the restart it needs was not done, so the package stops with %lu%s", packageCode,
              resumes ? ", and its RunOnce entry runs the rest at the next logon, after the restart"
                      : "; run the package again after the restart");
  } else if (action == kActionRestartDeclined && notDone == RestartNotDone::kInstallerRestarts) {
    packageCode = kExitRestartInitiated;
    b.m_RunOutcome = resumes ? RunOutcome::kInstallerRestarting : RunOutcome::kInstallerRestartingNoResume;
    FormatCut(next, "the installer has started the restart itself, so the package ends with %lu%s", packageCode,
              resumes ? ", and its RunOnce entry runs the rest at the next logon" : "; run the package again after it");
  } else if (action == kActionRestartDeclined || action == kActionFailed) {
    b.m_RunOutcome = action == kActionRestartDeclined ? RunOutcome::kRestartDeclined
                     : b.m_bInstallerNotRun            ? RunOutcome::kPrerequisiteNotRun
                                                       : RunOutcome::kPrerequisiteFailed;
    // A failure never reads as success to a deployment tool: 0 becomes "fatal error".
    if (packageCode == kExitSuccess) packageCode = kExitInstallFailed;
    FormatCut(next, "%sthe package stops with %lu%s",
              action == kActionRestartDeclined ? "the restart it needs was not done and its code is no success, so "
                                               : "",
              packageCode, exitCode == kExitSuccess ? ", since a failure must not read as success" : "");
    resumes = false;
  } else {
    ends = false;
    if (b.m_LastRule == DecidingRule::kRebootCodes) {
      const RebootMode mode = ReadRebootMode(b.InstallerSection.Reboot);
      CopyCut(next, mode == RebootMode::kDefer || mode == RebootMode::kDeferForce
                        ? "a restart is due after the last prerequisite, and the package goes on"
                        : "the restart was not done, and the package goes on");
    }
  }
  LogMessage(&b, "DoSettings_Install - Prerequisite %s: %s; %s.", name, rule, next);
  if (ends && !resumes) b.RemoveFromRunOnce();
  // The package stops for a restart after which nothing resumes by itself: the user is told.
  const bool stopsForRestart =
      action == kActionRestartDeclined && notDone != RestartNotDone::kFailed;
  if (stopsForRestart && !resumes) b.ShowStartAgain();
  return ends;
}
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
      m_DecidedBy = "the prerequisite " + name;
      DWORD packageCode = exitCode;
      if (EndsAfterPrerequisite(*this, name.c_str(), exitCode, action, resumes, packageCode)) return packageCode;
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
          m_DecidedBy = "the prerequisite " + m_RestartNeededBy;
          return kExitRestartInitiated;
        }
        // Not under way: the package goes on as after a declined restart, never with 1641.
      }
    }
    RemoveFromRunOnce();
  }

  if (ListSection.MainInstall[0] != '\0') {
    exitCode = InstallMain(ListSection.MainInstall, TRUE, FALSE, nullptr);
    LogMessage(this, "DoSettings_Install - Install main exit code: %lu", exitCode);
    m_RunOutcome = m_bInstallerNotRun ? RunOutcome::kMainInstallerNotRun : RunOutcome::kMainInstallerRan;
    m_DecidedBy = std::string("the main installer ") + ListSection.MainInstall;
  } else {
    LogMessage(this, "DoSettings_Install - No main install found.");
    m_RunOutcome = RunOutcome::kPrerequisitesRan;
  }
  ShowRestartProduct();
  // A deployment tool reads 0 as "installed, nothing more to do". Any other code stays: 3010
  // never replaces a failure. A user who declined the restart has been asked; the code is the
  // main installer's, as ever.
  if (m_bSilent && exitCode == kExitSuccess && (m_wDeferredReboot != 0 || m_bRestartNotDone)) {
    LogMessage(this, "DoSettings_Install - A restart that a prerequisite needs has not been done; the package ends "
               "with %lu.", kExitRestartRequired);
    m_RunOutcome = RunOutcome::kRestartNotDone;
    m_DecidedBy = "the prerequisite " + m_RestartNeededBy;
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
