#include "core/Bootstrapper.h"

bool Bootstrapper::ShowReinstall(const char*) { return m_bSilent != FALSE; }
void Bootstrapper::ShowFailure(const char*) {}
void Bootstrapper::ShowOSError() {}
void Bootstrapper::ShowPlatformError() {}
void Bootstrapper::ShowPermissionsError(int) {}
