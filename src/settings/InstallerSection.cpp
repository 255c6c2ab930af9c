#include "core/Bootstrapper.h"

DWORD Bootstrapper::SetInstallerSection(const char*) { return 13; }
