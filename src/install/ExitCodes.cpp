// Judging a prerequisite's exit code by its section's own rules: the Reboot mode and the three
// code lists, searched in the order reboot, fail, reinstall. No code means anything by itself.
// A broken install is cleaned up with the cleanup tool before its single reinstall.
#include "core/Bootstrapper.h"

#include <shlwapi.h>

#include "core/BoundedString.h"
#include "install/ExitCodeRules.h"
#include "install/InstallerResource.h"
#include "install/RebootModes.h"

namespace {

// Only the kept codes of a list are searched, never beyond them.
bool Holds(const CodeList& list, DWORD code) {
  DWORD count = list.dwCount < kMaxCodes ? list.dwCount : static_cast<DWORD>(kMaxCodes);
  for (DWORD i = 0; i < count; i++)
    if (list.dwCodes[i] == code) return true;
  return false;
}

}  // namespace

DWORD Bootstrapper::CheckExitCode(const char* section, DWORD exitCode, BOOL reinstalling) {
  // A skipped installer did not run: its 0 is no exit code. Judged, a "force" restart or a
  // listed 0 would restart the computer at every resume, and the package would never finish.
  m_LastRule = DecidingRule::kNone;
  if (m_bInstallerSkipped) {
    LogMessage(this, "CheckExitCode - The installer was skipped; there is no exit code to judge.");
    return kActionContinue;
  }
  const RebootMode reboot = ReadRebootMode(InstallerSection.Reboot);
  // Asks to restart now; the restart is started only when the user agrees. One declined, or one
  // that Windows would not start, is still due when the package ends.
  auto restartDue = [this, section]() {
    if (m_RestartNeededBy.empty()) m_RestartNeededBy = section;
  };
  auto restartIfAgreed = [this, &restartDue](int mode) {
    if (ShowReboot(mode, TRUE) && RestartComputer() == ERROR_SUCCESS) return true;
    m_bRestartNotDone = TRUE;
    restartDue();
    return false;
  };

  // The order of the rules is shared with PendrixPack's check of the codes a section leaves unjudged.
  const DecidingRule rule =
      DecideExitCode(reboot, Holds(InstallerSection.RebootCodes, exitCode), Holds(InstallerSection.FailCodes, exitCode),
                     Holds(InstallerSection.ReinstallCodes, exitCode));
  m_LastRule = rule;
  if (rule == DecidingRule::kForceRestart)
    return restartIfAgreed(kRebootPromptForce) ? kActionRestarting : kActionRestartDeclined;
  if (rule == DecidingRule::kReturn) return kActionReturn;
  if (rule == DecidingRule::kRebootCodes) {
    switch (reboot) {
      case RebootMode::kDefer:
        m_wDeferredReboot |= kDeferReboot;
        restartDue();
        return kActionContinue;
      case RebootMode::kDeferForce:
        m_wDeferredReboot |= kDeferForceReboot;
        restartDue();
        return kActionContinue;
      case RebootMode::kImmediate:
        return restartIfAgreed(kRebootPromptImmediate) ? kActionRestarting : kActionContinue;
      case RebootMode::kImmediateForce:
        return restartIfAgreed(kRebootPromptImmediateForce) ? kActionRestarting : kActionRestartDeclined;
      default:
        break;  // only the four modes above use reboot codes
    }
  }

  if (rule == DecidingRule::kFailCodes) {
    ShowFailure(section);
    return kActionFailed;
  }

  if (rule == DecidingRule::kReinstallCodes) {
    // A user who agreed to the reinstall is told when it cannot be done, as a fail code is told.
    if (reinstalling) {
      LogMessage(this, "CheckExitCode - Already reinstalling.");
      ShowFailure(section);
      return kActionFailed;
    }
    if (!ShowReinstall(section)) {
      LogMessage(this, "CheckExitCode - The user decided to cancel the installation.");
      return kActionFailed;
    }
    LogMessage(this, "CheckExitCode - %s asks for a reinstall%s: cleaning up the product %s, then installing it once "
               "more.", section, m_bSilent ? ", which a silent run does without asking" : "",
               InstallerSection.ProductCode[0] != '\0' ? InstallerSection.ProductCode : "(no product code)");
    if (RunCleanup()) return kActionReinstall;
    LogMessage(this, "CheckExitCode - Failed to cleanup the existing installation.");
    ShowFailure(section);
    return kActionFailed;
  }
  return kActionContinue;
}

bool Bootstrapper::RunCleanup() {
  char tool[260] = {};
  FormatCut(tool, "%s%s", m_szTempFolder, "MsiZap.exe");
  LogMessage(this, "RunCleanup - File name: %s.", tool);
  // The executable carries the tool once, whatever language runs, under a type of its own that
  // no installer resource shares.
  FileHandle held;
  if (ExtractToWorkFolder(nullptr, kCleanupToolType, kCleanupToolResource, "MsiZap.exe", tool, held) != ERROR_SUCCESS) {
    LogMessage(this, "RunCleanup - Failed to extract the cleanup file.");
    return false;
  }

  // T: remove all Windows Installer data of the product; W: for all users; !: yes to everything.
  char arguments[260] = {};
  FormatCut(arguments, "TW! %s", InstallerSection.ProductCode);

  char folder[260] = {};
  CopyCut(folder, tool);
  PathRemoveFileSpecA(folder);
  char savedFolder[260] = {};
  GetCurrentDirectoryA(sizeof(savedFolder), savedFolder);
  LogMessage(this, "RunCleanup - Set current directory to %s.", folder);
  SetCurrentDirectoryA(folder);
  // The tool's own launch says nothing about whether the installer ran.
  const BOOL installerNotRun = m_bInstallerNotRun;
  m_bInstallerNotRun = FALSE;
  DWORD result = Run(tool, arguments, InstallerSection.PlayTone, SW_HIDE);
  const bool started = m_bInstallerNotRun == FALSE && result != kExitNotRun;
  m_bInstallerNotRun = installerNotRun;
  SetCurrentDirectoryA(savedFolder);
  LogMessage(this, "RunCleanup - Set current directory to %s.", savedFolder);
  held.reset();
  DeleteFileA(tool);
  if (result != ERROR_SUCCESS) LogMessage(this, "RunCleanup - The cleanup tool ended with exit code %lu.", result);
  // Whatever the tool did, the installer gets its one more run, which is judged again: a tool
  // that found nothing to clean (an installer that is no Windows Installer package) may have
  // left a state that the installer itself repairs. Only a tool that never ran counts as undone.
  return started;
}
