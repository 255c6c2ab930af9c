// The run's own working folder: made new under a name nobody can foresee, open to SYSTEM and the
// administrators only (and to the user when the package runs without elevation), held for the
// whole run, and removed at its end. Everything the engine writes goes there.
#pragma once
#include <windows.h>

#include <string>

// True when the process acts as an administrator with those rights in force (an elevated token,
// or an administrator where Windows does not filter the token) or as SYSTEM.
bool RunsElevated();

// The user of the process's token, kept in the buffer; null when it cannot be read.
struct TokenUserBuffer {
  BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
};
PSID ProcessUser(TokenUserBuffer& buffer);

// True when the process runs as the system account.
bool IsLocalSystem();

// Random bytes from Windows' cryptography.
bool GenerateRandom(BYTE* bytes, DWORD size);

// The owner and DACL of an open file or folder in SDDL form, as the file system keeps them;
// "" when they cannot be read.
std::string ReadOwnerAndDacl(HANDLE file);

// True when the attributes mark a junction, a symbolic link or another reparse point.
inline bool IsReparsePoint(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Deletes what lies in an open folder (listed through `folder`, named `path` for the checks), and
// the folders in it down to `depth` levels: each opened relative to its folder, without delete
// sharing and without following a reparse point, judged, and deleted through its own handle. A
// link planted inside stays, and so does what it points to. True when the folder is empty
// afterwards; otherwise the first error is in `error`.
bool RemoveFolderContents(HANDLE folder, const char* path, int depth, DWORD& error);
