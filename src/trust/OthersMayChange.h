// Whether another account can change what an elevated run reads or runs without having carried
// it (a settings file, an installer beside the package, the package that a restart resumes): the
// file, the folder that holds it and every folder above, judged through the handles that hold
// them (trust/ChangeRights.h says which owners and rights count).
#pragma once
#include <windows.h>

#include <string>

#include "trust/ChangeRights.h"
#include "trust/HeldPath.h"

struct ChangeVerdict {
  bool judged = true;  // false: the volume keeps no access lists (FAT), so nothing could be judged
  std::string who;     // "" when only SYSTEM, the administrators and the running user can change it
  std::string where;   // the file or folder whose owner or DACL lets `who` in
};

// Reads the owner and DACL of an open file or folder (opened with READ_CONTROL); `kept` is false
// where the volume keeps none. 0 or the Windows error. The engine sets the real reader; tests
// stand in for it, since Wine makes its owners and DACLs up.
using ReadObjectSecurityFn = DWORD (*)(HANDLE object, ObjectSecurity& security, bool& kept);
extern ReadObjectSecurityFn g_ReadObjectSecurity;

// Judges a file named `name` that is open in the last of `folders`, and those folders. A file or
// folder whose security cannot be read counts as one that others can change ("who" says why).
ChangeVerdict JudgeHeldFile(const HeldPath& folders, HANDLE file, const char* name);
