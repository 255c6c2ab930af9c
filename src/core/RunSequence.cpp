// The run after start-up: single instance, language, the command-line actions that end the
// run, the settings file, and the install.
#include "core/Bootstrapper.h"
#include "core/Trace.h"

namespace {
// Set while a run is prepared, so that PrepareRun does its steps once per process.
bool g_bPrepareRunGuard = false;
}  // namespace

DWORD Bootstrapper::RunBootstrapper() {
  LogMessage(this, "RunBootstrapper - Source directory: %s.", m_szSourceDir);
  const char* commandLine = m_pCommandLine->GetCommandLineCopy();
  LogMessage(this, "RunBootstrapper - Bootstrapper command-line: %s.", commandLine ? commandLine : "");
  DWORD result = kExitNotRun;
  if (PrepareRun()) {
    result = DoSettings_Install();
    ReleaseSettingsFile();
  }
  LogMessage(this, "RunBootstrapper - The package ends with exit code %lu: %s%s%s.", result,
             RunOutcomeReason(m_RunOutcome), m_DecidedBy.empty() ? "" : "; decided by ", m_DecidedBy.c_str());
  return result;
}

bool Bootstrapper::PrepareRun() {
  if (g_bPrepareRunGuard) return true;
  g_bPrepareRunGuard = true;

  const bool single = AcquireSingleInstance();
  TraceMark("single instance");
  if (!single) {
    m_RunOutcome = RunOutcome::kAnotherInstance;
    g_bPrepareRunGuard = false;
    return false;
  }
  // Only a run that goes on writes files, beginning with the language DLL.
  OpenWorkFolder();

  // On failure the user has been told, and the run goes on without the module; unless the
  // package is damaged, which ends it before anything is installed.
  const bool damaged = LoadResources() == ERROR_CRC;

  const BootstrapperCommandLine& commandLine = *m_pCommandLine;
  bool endsRun = true;
  if (damaged) {
    m_RunOutcome = RunOutcome::kPackageDamaged;
  } else if (commandLine.Has(kOptHelp) || commandLine.Has(kOptMoreHelp)) {
    if (commandLine.Has(kOptHelp))
      ShowHelp();
    else
      ShowMoreHelp();
    m_RunOutcome = RunOutcome::kHelpShown;
  } else if (commandLine.Has(kOptExtractSettings)) {
    m_RunOutcome = OutputSettings() == ERROR_SUCCESS ? RunOutcome::kSettingsWritten : RunOutcome::kSettingsNotWritten;
  } else {
    // The package's folder as it is reached now: a link above it that is re-pointed during the
    // run changes nothing that is read or run beside the package.
    HoldPackageFolder();
    const DWORD result = GetSettingsFile();
    endsRun = result != ERROR_SUCCESS;
    if (endsRun) m_RunOutcome = result == ERROR_CRC ? RunOutcome::kPackageDamaged : RunOutcome::kNoSettings;
  }

  if (endsRun) g_bPrepareRunGuard = false;
  return !endsRun;
}

bool Bootstrapper::AcquireSingleInstance() {
  m_hSingleInstanceMutex = CreateMutexA(nullptr, FALSE, "PendrixSingleInstance");
  DWORD error = GetLastError();
  return error != ERROR_ALREADY_EXISTS;
}
