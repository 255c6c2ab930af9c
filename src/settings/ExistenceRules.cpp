#include "core/Bootstrapper.h"

// Until the existence rules are built, no rule decides either way.
int Bootstrapper::RunCheckExistence() { return 2; }
int Bootstrapper::IsRegKeyExists(const char*) { return 0; }
