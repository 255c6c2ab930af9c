#include "core/Bootstrapper.h"

// Until installed-product detection is built, no product counts as installed.
int Bootstrapper::IsMsiProductInstalled(const char*) { return -2; }
UINT Bootstrapper::MsiQueryProperty(MSIHANDLE, const char*, char*, DWORD) { return ERROR_INVALID_DATA; }
