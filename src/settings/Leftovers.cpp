#include "settings/Leftovers.h"

#include <shlwapi.h>

#include <cstring>

#include "core/Bootstrapper.h"
#include "core/BoundedString.h"

namespace {

constexpr DWORD kBlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A new file where there is none: a truncated one makes some file systems (ext4 under Wine) write
// the whole file out when it is closed, which costs as much again when it is deleted.
HANDLE CreateForWriting(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  return CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsInUse(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED; }

// A free name beside the file for it to move to.
bool MoveAside(const char* path, char (&aside)[MAX_PATH]) {
  char folder[MAX_PATH] = {};
  CopyCut(folder, path);
  PathRemoveFileSpecA(folder);
  if (GetTempFileNameA(folder[0] != '\0' ? folder : ".", "old", 0, aside) == 0) return false;
  if (MoveFileExA(path, aside, MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileA(aside);
  return false;
}

}  // namespace

DWORD ClearLeftoverAttributes(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;
  DWORD blocking = attributes & kBlockingAttributes;
  if (blocking == 0 || !SetFileAttributesA(path, attributes & ~blocking)) return 0;
  return blocking;
}

HANDLE CreateReplacingFile(Bootstrapper* bootstrapper, const char* path) {
  // A file the user named (/ExtractSettings) is the user's: only the temporary folder's are ours.
  const char* temp = bootstrapper->m_szTempFolder;
  size_t tempLength = strlen(temp);
  if (tempLength == 0 || _strnicmp(path, temp, tempLength) != 0) return CreateForWriting(path);

  if (DWORD cleared = ClearLeftoverAttributes(path))
    LogMessage(bootstrapper, "ExtractResource - Cleared the attributes 0x%lx of the file left at the output path.",
               cleared);
  HANDLE file = CreateForWriting(path);
  if (file != INVALID_HANDLE_VALUE) return file;
  DWORD error = GetLastError();
  char aside[MAX_PATH] = {};
  if (IsInUse(error) && MoveAside(path, aside)) {
    LogMessage(bootstrapper, "ExtractResource - The file at the output path is in use; moved it aside to %s.", aside);
    file = CreateForWriting(path);
    error = GetLastError();
  }
  SetLastError(error);
  return file;
}
