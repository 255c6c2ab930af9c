#include "core/Bootstrapper.h"

DWORD Bootstrapper::RunInstaller(const char*, BOOL) { return 13; }
void Bootstrapper::GetOutputFileName(char* buffer, DWORD size) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
}
bool Bootstrapper::FindMSISetupFlag(const char*, char*, DWORD) { return false; }
bool Bootstrapper::DoWeAllowInstallerToRun(BOOL, const char*, int* reinstall) {
  if (reinstall != nullptr) *reinstall = 0;
  return true;
}
DWORD Bootstrapper::Run(const char*, const char*, LONG, int) { return 13; }
