#include "core/Bootstrapper.h"

DWORD Bootstrapper::ExtractResource(HMODULE, const char*, const char*, const char*) { return ERROR_RESOURCE_TYPE_NOT_FOUND; }
