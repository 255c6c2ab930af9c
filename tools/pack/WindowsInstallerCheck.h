// What PendrixPack checks of a prerequisite that runs Windows Installer. No exit code means
// anything to the engine by itself, so an MSI failure that no list of the section names reads
// as a success, and the package installs its product over a broken prerequisite. And under /qn
// Windows Installer restarts the computer on its own unless its arguments forbid it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "install/RebootModes.h"

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

// True when the arguments hold a switch that keeps Windows Installer from showing a window that
// waits for a click: /q, /qn, /qb-, /qb!, /qb-!, /qb!-, /passive or /quiet, in any case, written
// with "/" or "-".
bool KeepsMsiexecFromWaiting(const std::string& arguments);

// What a silent setup type needs of a Windows Installer run's arguments: a switch that keeps it
// from waiting, and that it restart nothing by itself. "" when they have both, otherwise what
// they lack, with the Arguments line that adds it.
std::string SilentMsiArgumentsProblem(const std::string& arguments);

// An item of a code list as the engine should read it: the item itself, trimmed, when it is a
// plain decimal code; a hexadecimal one ("0x641") written in decimal; "" for anything else.
std::string DecimalCode(const std::string& item);

// A prerequisite's values as the engine keeps them.
struct MsiPrerequisite {
  std::string reboot;          // the Reboot value, or its default when the key is missing
  std::string rebootCodes;
  std::string failCodes;
  bool failCodesWritten;       // the section has a FailCodes line
  std::string reinstallCodes;
  std::string arguments;
  bool rebootCodesWritten = false;
};

// A warning about the codes of kMsiFailureCodes that no rule of the section judges, in the
// engine's own order, with the line that judges them; false when every code is judged.
struct MsiCodesFinding {
  const char* key;  // the key to change
  std::string text;
};
bool CheckMsiFailureCodes(const MsiPrerequisite& prerequisite, MsiCodesFinding& finding);

// A warning about the restart that Windows Installer asks for with 3010, or has begun with 1641
// where its arguments do not suppress it: under a Reboot mode that reads RebootCodes, a code not
// in them is no restart to the engine, and the restart is lost. False when both are recorded.
bool CheckMsiRestartCodes(const MsiPrerequisite& prerequisite, MsiCodesFinding& finding);

// Why a Reboot mode consults no code list, or "" for a mode that does: one text for PendrixPack's
// warning and --list's note on the lists that it passes over.
std::string UnconsultedListsReason(RebootMode reboot);
