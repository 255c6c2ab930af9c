#include "core/Bootstrapper.h"

void GetOSInfo() {}
bool IsOSVersionAtLeast(DWORD, DWORD) { return true; }
bool IsVistaOrLater() { return false; }
bool IsX64() { return false; }
bool Bootstrapper::CheckRequiredOS() { return true; }
bool Bootstrapper::CheckRequiredPlatform() { return true; }
