// The run's own working folder: made new under a name nobody can foresee, open to SYSTEM and the
// administrators only (and to the user when the package runs without elevation), held for the
// whole run, and removed at its end. Everything the engine writes goes there.
#pragma once
#include <windows.h>

#include <string>

// Whether what a new working folder holds needs no reading back, asked of an elevated run's
// folder: only SYSTEM and the administrators can change it (its owner and DACL as read back, in
// `security`), and what the process makes is theirs. The engine sets the real rule; tests stand
// in for it, since Wine reads back neither.
using WorkFolderTrustFn = bool (*)(const std::string& security);
extern WorkFolderTrustFn g_WorkFolderTrusted;

// Random bytes from Windows' cryptography.
bool GenerateRandom(BYTE* bytes, DWORD size);

// The owner and DACL of an open file or folder in SDDL form, as the file system keeps them;
// "" when they cannot be read.
std::string ReadOwnerAndDacl(HANDLE file);

// Deletes what lies in an open folder (listed through `folder`, named `path` for the checks), and
// the folders in it down to `depth` levels: each opened relative to its folder, without delete
// sharing and without following a reparse point, judged, and deleted through its own handle. A
// link planted inside stays, and so does what it points to. True when the folder is empty
// afterwards; otherwise the first error is in `error`.
bool RemoveFolderContents(HANDLE folder, const char* path, int depth, DWORD& error);
