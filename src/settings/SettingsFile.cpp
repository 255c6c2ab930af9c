#include "core/Bootstrapper.h"

DWORD Bootstrapper::GetSettingsFile() { return 0; }
DWORD Bootstrapper::ReplaceSettings() { return 0; }
DWORD Bootstrapper::OutputSettings() { return 0; }
void Bootstrapper::ReleaseSettingsFile() {}
