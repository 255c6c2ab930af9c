// What PendrixPack checks of a prerequisite that runs Windows Installer. No exit code means
// anything to the engine by itself, so an MSI failure that no list of the section names reads
// as a success, and the package installs its product over a broken prerequisite. And under /qn
// Windows Installer restarts the computer on its own unless its arguments forbid it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Windows Installer's failure codes that every MSI prerequisite's lists must judge: the
// service unreachable, cancelled, fatal error, another install running, a package that cannot
// be opened or is invalid, a transform that fails, a policy that forbids it, a function that
// failed, an unsupported platform, an invalid command line.
inline constexpr uint32_t kMsiFailureCodes[] = {1601, 1602, 1603, 1618, 1619, 1620, 1624, 1625, 1627, 1633, 1639};

// An installer that runs Windows Installer: its File (lower case, as the engine keeps it)
// holds "msiexec", by the engine's own test, or names an .msi file, which Windows opens with it.
bool RunsWindowsInstaller(const std::string& file);

// True when the arguments hold the property REBOOT=ReallySuppress (msiexec reads only the first
// letter of its value, in any case; the property name is upper case) or the switch /norestart.
bool SuppressesMsiRestart(const std::string& arguments);

// A prerequisite's values as the engine keeps them.
struct MsiPrerequisite {
  std::string reboot;          // the Reboot value, or its default when the key is missing
  std::string rebootCodes;
  std::string failCodes;
  bool failCodesWritten;       // the section has a FailCodes line
  std::string reinstallCodes;
};

// A warning about the codes of kMsiFailureCodes that no rule of the section judges, in the
// engine's own order, with the line that judges them; false when every code is judged.
struct MsiCodesFinding {
  const char* key;  // the key to change
  std::string text;
};
bool CheckMsiFailureCodes(const MsiPrerequisite& prerequisite, MsiCodesFinding& finding);
