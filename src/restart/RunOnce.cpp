#include "core/Bootstrapper.h"

bool Bootstrapper::AddToRunOnce() { return false; }
bool Bootstrapper::RemoveFromRunOnce() { return false; }
