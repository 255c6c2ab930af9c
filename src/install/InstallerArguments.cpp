// The installer's command line: the section's Arguments, then Windows Installer properties,
// the user's pass-through commands and a verbose-log switch, each under its own condition.
// A piece goes in whole or the installer does not run: cut, "REINSTALLMODE=vomus" could reach
// msiexec as "REINSTALLMODE=vo", which means something else.
#include "core/Bootstrapper.h"

#include <cstring>

#include "core/BoundedString.h"
#include "install/PassThroughEscapes.h"

bool Bootstrapper::AddToArguments(int reinstall) {
  char(&arguments)[sizeof(InstallerSection.Arguments)] = InstallerSection.Arguments;
  const BootstrapperCommandLine& commandLine = *m_pCommandLine;
  auto present = [&arguments](const char* property) { return strstr(arguments, property) != nullptr; };
  bool whole = true;
  auto add = [this, &arguments, &whole](const char* piece) {
    if (!whole) return;
    whole = AppendWhole(arguments, piece);
    if (!whole) LogMessage(this, "AddToArguments - There is no room for \"%s\" in the command line.", piece);
  };

  if (m_bMsiInstall && (InstallerSection.dwFlags & kAddSourceDir) != 0) {
    if (present("SOURCE_DIR=")) {
      LogMessage(this, "AddToArguments - Did not add bootstrapper source directory.");
    } else {
      // The package's folder as its held handle resolves it: a link above it that is re-pointed
      // meanwhile sends Windows Installer nowhere else.
      char piece[300] = {};
      FormatCut(piece, " SOURCE_DIR=\"%s\"", HoldPackageFolder() == ERROR_SUCCESS ? m_szPackageFolder : m_szSourceDir);
      add(piece);
    }
  }

  if (reinstall != 0) {
    if (!m_bMsiInstall || present("REINSTALL="))
      LogMessage(this, "AddToArguments - Did not add the REINSTALL property.");
    else
      add(" REINSTALL=ALL");
    if (!m_bMsiInstall || present("REINSTALLMODE="))
      LogMessage(this, "AddToArguments - Did not add the REINSTALLMODE property.");
    else
      add(" REINSTALLMODE=vomus");
  }

  if ((ListSection.dwFlags & kRemoveShared) != 0) {
    if (!m_bMsiInstall || present("REMOVESHARED="))
      LogMessage(this, "AddToArguments - Did not add the REMOVESHARED property.");
    else
      add(" REMOVESHARED=1");
  }

  if (commandLine.Has(kOptAllowXddm)) {
    if (!m_bMsiInstall || present("ALLOWXDDM="))
      LogMessage(this, "AddToArguments - Did not add the ALLOWXDDM property.");
    else
      add(" ALLOWXDDM=1");
  }

  if (commandLine.Has(kOptQuiet)) {
    if (!m_bMsiInstall || present("IGNOREERROR="))
      LogMessage(this, "AddToArguments - Did not add the IGNOREERROR property.");
    else
      add(" IGNOREERROR=1");
  }

  // Pass-through commands reach every kind of installer, under the name the setup type gave it.
  if (commandLine.Has(kOptPassthru)) {
    for (const auto& [installer, command] : commandLine.m_PassThrough)
      if (installer == m_CurrentSectionName) add(PassThroughPiece(command).c_str());
  }

  // A verbose Windows Installer log beside the package's own, unless a log switch is given; none
  // is made for an installer that will not run. msiexec writes it in the working folder.
  if (whole && commandLine.Has(kOptLog) && m_bMsiInstall && !present("/l")) {
    char workLog[260] = {};
    DWORD error = PrepareMsiLog(workLog);
    if (error == ERROR_SUCCESS) {
      LogMessage(this, "AddToArguments - Windows Installer log: %s.", m_szMsiLogPath);
      char piece[300] = {};
      FormatCut(piece, " /l*v \"%s\"", workLog);
      add(piece);
    } else if (error == kErrorLinkOnPath) {
      LogMessage(this, "AddToArguments - No Windows Installer log: %s is a link (a junction or a symbolic link).",
                 m_MsiLogFolder.link());
    } else {
      LogMessage(this, "AddToArguments - No Windows Installer log beside %s. Error: %lu.", m_szLogFilePath, error);
    }
  }

  if (m_bSpeechSuppressed) {
    if (!m_bMsiInstall || present("SUPPRESS_RUNTIME_SPEECH=")) {
      LogMessage(this, "AddToArguments - Did not add the SUPPRESS_RUNTIME_SPEECH property.");
    } else {
      add(" SUPPRESS_RUNTIME_SPEECH=1");
      if (whole) LogMessage(this, "AddToArguments - Added the SUPPRESS_RUNTIME_SPEECH property.");
    }
  }
  return whole;
}
