// Files that an earlier run left under a name the engine writes: an extracted installer still
// running, a copy made read-only or hidden by someone, the remains of a run that was killed.
// They are replaced, never a reason to fail.
#pragma once
#include <windows.h>

class Bootstrapper;

// Read-only, hidden and system keep CreateFile and CopyFile from replacing a file: cleared.
// Returns the attributes cleared (0: none, or no file).
DWORD ClearLeftoverAttributes(const char* path);

// Creates the file for writing, with no sharing. In the temporary folder it replaces whatever
// lies under its name: a leftover still in use (an installer that runs on, a file mapped by
// another process) cannot be overwritten but can be renamed, so it is moved aside to a new name
// in its folder. Elsewhere the file is the user's own and is simply created. Logs each step
// under ExtractResource; on failure the last error is that of the create.
HANDLE CreateReplacingFile(Bootstrapper* bootstrapper, const char* path);
