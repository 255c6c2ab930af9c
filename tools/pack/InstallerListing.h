// What --list tells an administrator about each installer and each silent setup type, read from
// the settings as the engine reads them: values cut where the engine cuts them, code lists as
// the numbers it keeps, and the rules it will actually consult.
#pragma once
#include <string>
#include <vector>

// The lines under an installer: its arguments, its Reboot mode and code lists (for the main
// installer, that its exit code is passed on unjudged), and its existence rules.
std::vector<std::string> InstallerDetailLines(const std::string& settingsPath, const std::string& section, bool main);

// The line under a setup type: each of its own keys as the engine reads it (its installers aside).
std::string SetupTypeLine(const std::string& settingsPath, const std::string& section);

// For a silent setup type, the command line that runs it unattended from the package's folder,
// logging into the Windows folder's Temp, or why none can; "" for a setup type that is not silent.
std::string UnattendedLine(const std::string& setupType, const std::string& packageFile);
