// The install: setup type, requirement checks, welcome, prerequisites, main installer.
#include "core/Bootstrapper.h"

DWORD Bootstrapper::DoSettings_Install() { return 0; }

DWORD Bootstrapper::InstallPrerequisite(const char*, DWORD* action, BOOL, BOOL) {
  if (action != nullptr) *action = kActionContinue;
  return 0;
}

DWORD Bootstrapper::InstallMain(const char*, BOOL, BOOL, DWORD* action) {
  if (action != nullptr) *action = kActionContinue;
  return 0;
}

void Bootstrapper::CloseMagnifier() {}
