#include "core/Bootstrapper.h"

bool Bootstrapper::ShowReboot(int, BOOL) { return false; }
BOOL Bootstrapper::PlayRebootWave(BOOL, DWORD, const char*) { return FALSE; }
void Bootstrapper::ShowRestartProduct() {}
DWORD Bootstrapper::RestartComputer() { return ERROR_CALL_NOT_IMPLEMENTED; }
