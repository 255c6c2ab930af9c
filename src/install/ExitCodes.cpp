#include "core/Bootstrapper.h"

// Until the exit-code rules are built, every exit code lets the package go on.
DWORD Bootstrapper::CheckExitCode(const char*, DWORD, BOOL) { return kActionContinue; }
bool Bootstrapper::RunCleanup() { return false; }
