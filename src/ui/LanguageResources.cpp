#include "core/Bootstrapper.h"

DWORD Bootstrapper::LoadResources() { return 0; }
