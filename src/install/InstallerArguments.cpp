#include "core/Bootstrapper.h"

void Bootstrapper::AddToArguments(int) {}
