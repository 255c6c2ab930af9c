#include "core/Bootstrapper.h"

bool Bootstrapper::CheckRequiredPermissions() { return true; }
bool Bootstrapper::IsAdministrator() { return false; }
bool Bootstrapper::IsPowerUser() { return false; }
