#include "core/Bootstrapper.h"

void Bootstrapper::SetSystemFolders() {}
void Bootstrapper::ReplaceVarPaths(const char*, char* buffer, DWORD size) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
}
