// The exit codes that a package run ends with when it does not pass on an installer's own. They
// are Windows error codes, so that a script or a deployment tool can read them as such.
//
// A number never changes meaning: a code that is no longer given stays here as a comment, and a
// new outcome takes a number of its own.
#pragma once
#include <windows.h>

enum PackageExitCode : DWORD {
  // The user cancelled at the Welcome dialog, or no installer ran.
  kExitSuccess = ERROR_SUCCESS,  // 0
  // There is no settings file to run.
  kExitNoSettings = ERROR_FILE_NOT_FOUND,  // 2
  // The user's rights, the Windows version or the platform do not meet the setup type's needs.
  kExitRequirementNotMet = ERROR_ACCESS_DENIED,  // 5
  // An installer was started, but the shell gave no process to wait for.
  kExitNoInstallerProcess = ERROR_INVALID_HANDLE,  // 6
  // Nothing was installed: another instance runs; /Help, /?, /MoreHelp or /ExtractSettings was
  // given; the settings could not be obtained or their setup type names no installer. As an
  // installer's exit code: its section could not be read, or its file named or extracted.
  kExitNotRun = ERROR_INVALID_DATA,  // 13
  // A run that would end with 0 while a restart that a prerequisite needs has not been done:
  // installed so far, and the computer must restart (before the rest, when the run stopped).
  kExitRestartRequired = ERROR_SUCCESS_REBOOT_REQUIRED,  // 3010
  // The package has started the restart of the computer, or a prerequisite has.
  kExitRestartInitiated = ERROR_SUCCESS_REBOOT_INITIATED,  // 1641
  // A prerequisite failed with exit code 0 (0 stands in its FailCodes): "a fatal error during
  // installation", since a failure must never read as success.
  kExitInstallFailed = ERROR_INSTALL_FAILURE,  // 1603
};
