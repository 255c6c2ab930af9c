// The installer's command line: the section's Arguments, then Windows Installer properties,
// the user's pass-through commands and a verbose-log switch, each under its own condition.
// Every piece is appended with a cut, so that Arguments never exceeds its 999 characters.
#include "core/Bootstrapper.h"

#include <shlwapi.h>

#include <cstring>

#include "core/BoundedString.h"
#include "install/PassThroughEscapes.h"

void Bootstrapper::AddToArguments(int reinstall) {
  char(&arguments)[sizeof(InstallerSection.Arguments)] = InstallerSection.Arguments;
  const BootstrapperCommandLine& commandLine = *m_pCommandLine;
  auto present = [&arguments](const char* property) { return strstr(arguments, property) != nullptr; };

  if (m_bMsiInstall && (InstallerSection.dwFlags & kAddSourceDir) != 0) {
    if (present("SOURCE_DIR=")) {
      LogMessage(this, "AddToArguments - Did not add bootstrapper source directory.");
    } else {
      char piece[275] = {};
      FormatCut(piece, " SOURCE_DIR=\"%s\"", m_szSourceDir);
      AppendCut(arguments, piece);
    }
  }

  if (reinstall != 0) {
    if (!m_bMsiInstall || present("REINSTALL="))
      LogMessage(this, "AddToArguments - Did not add the REINSTALL property.");
    else
      AppendCut(arguments, " REINSTALL=ALL");
    if (!m_bMsiInstall || present("REINSTALLMODE="))
      LogMessage(this, "AddToArguments - Did not add the REINSTALLMODE property.");
    else
      AppendCut(arguments, " REINSTALLMODE=vomus");
  }

  if ((ListSection.dwFlags & kRemoveShared) != 0) {
    if (!m_bMsiInstall || present("REMOVESHARED="))
      LogMessage(this, "AddToArguments - Did not add the REMOVESHARED property.");
    else
      AppendCut(arguments, " REMOVESHARED=1");
  }

  if (commandLine.Has(kOptAllowXddm)) {
    if (!m_bMsiInstall || present("ALLOWXDDM="))
      LogMessage(this, "AddToArguments - Did not add the ALLOWXDDM property.");
    else
      AppendCut(arguments, " ALLOWXDDM=1");
  }

  if (commandLine.Has(kOptQuiet)) {
    if (!m_bMsiInstall || present("IGNOREERROR="))
      LogMessage(this, "AddToArguments - Did not add the IGNOREERROR property.");
    else
      AppendCut(arguments, " IGNOREERROR=1");
  }

  // Pass-through commands reach every kind of installer, under the name the setup type gave it.
  if (commandLine.Has(kOptPassthru)) {
    auto entry = commandLine.m_PassThrough.find(m_CurrentSectionName);
    if (entry != commandLine.m_PassThrough.end())
      for (const std::string& command : entry->second) AppendCut(arguments, PassThroughPiece(command).c_str());
  }

  // A verbose Windows Installer log beside the package's own, unless a log switch is given.
  if (commandLine.Has(kOptLog) && m_bMsiInstall && !present("/l")) {
    char logFolder[260] = {};
    CopyCut(logFolder, m_szLogFilePath);
    PathRemoveFileSpecA(logFolder);
    char piece[270] = {};
    FormatCut(piece, " /l*v \"%s\\%s.log\"", logFolder, InstallerSection.Name);
    AppendCut(arguments, piece);
  }

  if (m_bSpeechSuppressed) {
    if (!m_bMsiInstall || present("SUPPRESS_RUNTIME_SPEECH=")) {
      LogMessage(this, "AddToArguments - Did not add the SUPPRESS_RUNTIME_SPEECH property.");
    } else {
      AppendCut(arguments, " SUPPRESS_RUNTIME_SPEECH=1");
      LogMessage(this, "AddToArguments - Added the SUPPRESS_RUNTIME_SPEECH property.");
    }
  }
}
