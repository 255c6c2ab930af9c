// The installer's command line: the section's Arguments and the pieces install/ArgumentPieces.h
// adds, with the engine's log and its Windows Installer log file.
#include "core/Bootstrapper.h"

#include "install/ArgumentPieces.h"

namespace {

// The engine's side of the pieces: its log, and the Windows Installer log file it holds.
class EngineArguments : public ArgumentsEngine {
 public:
  explicit EngineArguments(Bootstrapper* bootstrapper) : m_bootstrapper(bootstrapper) {}

  void Log(const char* format, const char* text) override { LogMessage(m_bootstrapper, format, text); }

  // The package's folder as its held handle resolves it: a link above it that is re-pointed
  // meanwhile sends Windows Installer nowhere else.
  const char* SourceDir() override {
    return m_bootstrapper->HoldPackageFolder() == ERROR_SUCCESS ? m_bootstrapper->m_szPackageFolder
                                                                 : m_bootstrapper->m_szSourceDir;
  }

  bool PrepareMsiLogPath(char (&path)[260]) override {
    DWORD error = m_bootstrapper->PrepareMsiLog(path);
    if (error == ERROR_SUCCESS) {
      LogMessage(m_bootstrapper, "AddToArguments - Windows Installer log: %s.", m_bootstrapper->m_szMsiLogPath);
    } else if (error == kErrorLinkOnPath) {
      LogMessage(m_bootstrapper, "AddToArguments - No Windows Installer log: %s is a link (a junction or a symbolic link).",
                 m_bootstrapper->m_MsiLogFolder.link());
    } else {
      LogMessage(m_bootstrapper, "AddToArguments - No Windows Installer log beside %s. Error: %lu.",
                 m_bootstrapper->m_szLogFilePath, error);
    }
    return error == ERROR_SUCCESS;
  }

 private:
  Bootstrapper* m_bootstrapper;
};

}  // namespace

bool Bootstrapper::AddToArguments(int reinstall) {
  const BootstrapperCommandLine& commandLine = *m_pCommandLine;
  ArgumentConditions conditions;
  conditions.msi = m_bMsiInstall != FALSE;
  conditions.addSourceDir = (InstallerSection.dwFlags & kAddSourceDir) != 0;
  conditions.reinstall = reinstall != 0;
  conditions.removeShared = (ListSection.dwFlags & kRemoveShared) != 0;
  conditions.allowXddm = commandLine.Has(kOptAllowXddm);
  conditions.quiet = commandLine.Has(kOptQuiet);
  conditions.passThrough = commandLine.Has(kOptPassthru) ? &commandLine.m_PassThrough : nullptr;
  conditions.section = m_CurrentSectionName.c_str();
  conditions.log = commandLine.Has(kOptLog);
  conditions.speechSuppressed = m_bSpeechSuppressed != FALSE;
  EngineArguments engine(this);
  return AddArgumentPieces(InstallerSection.Arguments, sizeof(InstallerSection.Arguments), conditions, engine);
}
