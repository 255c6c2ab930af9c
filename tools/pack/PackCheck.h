// PendrixPack's checks of a settings file, the way the engine will read it: the snapshot read
// through the profile functions, the warnings and refusals printed one line each, and the
// --check mode that builds nothing.
#pragma once
#include <windows.h>

#include <string>

#include "PackOptions.h"
#include "SettingsCheck.h"

// The sections and keys of a settings file (a full path) as the profile functions give them.
SettingsSnapshot ReadSettingsSnapshot(const std::string& path);

struct FindingCounts {
  size_t warnings = 0;
  size_t refusals = 0;
};

// Prints every finding of the settings file on stderr, one line each, naming the file as the
// user wrote it. With strict, warnings count as refusals.
FindingCounts ReportSettingsFindings(const std::string& shownName, const std::string& path, bool strict);

// The refusal line for findings that stop a package, or "" when nothing does.
std::string FindingsRefusal(const FindingCounts& counts, bool strict);

// --check: exit code 0 when the settings (and the payload, when given) are clean, 1 when there
// are warnings only, 2 when something would be refused.
int RunSettingsCheck(const PackOptions& options);
