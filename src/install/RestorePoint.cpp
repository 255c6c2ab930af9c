#include "core/Bootstrapper.h"

void Bootstrapper::CreateSystemRestorePoint() {}
