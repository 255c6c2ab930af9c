// Why a package run ended: one value per way out, and the reason the log gives for it in the
// run's last line before the finish banner, beside the exit code.
#pragma once

enum class RunOutcome {
  kUnknown,  // no way out was recorded
  kAnotherInstance,
  kHelpShown,          // /Help, /? or /MoreHelp
  kSettingsWritten,    // /ExtractSettings
  kSettingsNotWritten,
  kNoSettings,
  kSettingsError,
  kPermissionRefused,
  kOSRefused,
  kPlatformRefused,
  kWelcomeCancelled,
  kPrerequisiteFailed,
  kPrerequisiteNotRun,  // could not be extracted, checked or started
  kRestartDeclined,
  kRestartFirst,           // stopped with 3010 before the rest, which resumes after the restart
  kRestartFirstNoResume,   // the same, with no RunOnce entry to resume it
  kRestartStarted,
  kInstallerRestarting,          // a prerequisite that needs a restart first has started it: 1641
  kInstallerRestartingNoResume,  // the same, with no RunOnce entry to resume it
  kRestartNotDone,         // installed with 3010: a restart that a prerequisite needs is still due
  kMainInstallerRan,
  kMainInstallerNotRun,  // could not be extracted, checked or started
  kPrerequisitesRan,  // no main installer: the last prerequisite's code
  kPackageDamaged,    // its settings or its language are not as they were packed
};

// Short, for the end of a log line.
constexpr const char* RunOutcomeReason(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::kUnknown: break;
    case RunOutcome::kAnotherInstance: return "another copy is running";
    case RunOutcome::kHelpShown: return "help was asked for";
    case RunOutcome::kSettingsWritten: return "the settings were extracted";
    case RunOutcome::kSettingsNotWritten: return "the settings could not be extracted";
    case RunOutcome::kNoSettings: return "no settings could be read";
    case RunOutcome::kSettingsError: return "settings error";
    case RunOutcome::kPermissionRefused: return "the user lacks the required rights";
    case RunOutcome::kOSRefused: return "this version of Windows is not supported";
    case RunOutcome::kPlatformRefused: return "this platform is not supported";
    case RunOutcome::kWelcomeCancelled: return "cancelled at the Welcome dialog";
    case RunOutcome::kPrerequisiteFailed: return "a prerequisite failed";
    case RunOutcome::kPrerequisiteNotRun: return "a prerequisite could not be run";
    case RunOutcome::kRestartDeclined: return "a restart that a prerequisite needs was declined";
    case RunOutcome::kRestartFirst:
      return "a prerequisite needs a restart before the rest, which runs at the next logon after it";
    case RunOutcome::kRestartFirstNoResume:
      return "a prerequisite needs a restart before the rest; run the package again after it";
    case RunOutcome::kRestartStarted: return "the computer is restarting";
    case RunOutcome::kInstallerRestarting:
      return "a prerequisite has started a restart itself; the rest runs at the next logon after it";
    case RunOutcome::kInstallerRestartingNoResume:
      return "a prerequisite has started a restart itself; run the package again after it";
    case RunOutcome::kRestartNotDone: return "installed; a restart that a prerequisite needs has not been done";
    case RunOutcome::kMainInstallerRan: return "the main installer's exit code";
    case RunOutcome::kMainInstallerNotRun: return "the main installer could not be run";
    case RunOutcome::kPrerequisitesRan: return "no main installer; the last prerequisite's exit code";
    case RunOutcome::kPackageDamaged: return "the package is damaged; download it again";
  }
  return "unknown";
}
