#include "core/Bootstrapper.h"

DWORD Bootstrapper::SetListSection() { return 0; }
