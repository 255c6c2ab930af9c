// The language DLL: carried inside the executable, written to the temporary folder and loaded
// as the source of every message, dialog and spoken prompt.
//
// Between the write and the load another process of the user could put other code under its
// name. So the written file is opened without write or delete sharing, its bytes are compared
// with the resource, and it stays held until the loader has mapped it (a mapped image cannot be
// changed either). A file found changed or held by another program is written again, under a
// new name that the other program has not been waiting for.
#include <cstring>

#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"

namespace {

constexpr int kWriteAttempts = 10;

// The file held so that nobody can change, delete or rename it, when it holds exactly these
// bytes; otherwise nothing held, and the reason as the last error.
FileHandle HoldIfUnchanged(const char* path, const BYTE* bytes, DWORD size) {
  FileHandle held(
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!held) return held;
  BYTE buffer[16384];
  DWORD offset = 0;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(held.get(), buffer, sizeof(buffer), &read, nullptr)) return FileHandle();
    if (read == 0) break;
    if (read > size - offset || memcmp(buffer, bytes + offset, read) != 0) {
      SetLastError(ERROR_INVALID_DATA);
      return FileHandle();
    }
    offset += read;
  }
  if (offset != size) {
    SetLastError(ERROR_INVALID_DATA);
    return FileHandle();
  }
  return held;
}

bool IsInterference(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

}  // namespace

DWORD Bootstrapper::LoadResources() {
  FileHandle held;
  DWORD result = ERROR_SUCCESS;
  for (int attempt = 1;; attempt++) {
    result = ExtractResource(nullptr, kLanguageResourceType, kLanguageResource, m_szLanguageDllPath);
    if (result == ERROR_SUCCESS) {
      // The extraction found the resource: its bytes are what the file must hold.
      HRSRC found = FindResourceA(nullptr, kLanguageResource, kLanguageResourceType);
      const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
      held = HoldIfUnchanged(m_szLanguageDllPath, bytes, SizeofResource(nullptr, found));
      if (held) break;
      result = GetLastError();
      LogMessage(this, "LoadResources - Another program changed or opened the language resource file. Error: %lu",
                 result);
    } else if (!IsInterference(result)) {
      break;
    }
    char fresh[MAX_PATH] = {};
    if (attempt == kWriteAttempts || GetTempFileNameA(m_szTempFolder, "pdl", 0, fresh) == 0) break;
    DeleteFileA(m_szLanguageDllPath);  // this run's own attempt, unless the other program holds it
    CopyCut(m_szLanguageDllPath, fresh);
    LogMessage(this, "LoadResources - Writing the language resource file as %s instead.", m_szLanguageDllPath);
  }
  if (!held) {
    if (result == ERROR_SUCCESS) result = ERROR_INVALID_DATA;
    LogMessage(this, "LoadResources - Failed to extract language resource file.");
    ShowError<IDS_LANGUAGE_EXTRACT_FAILED>(this);
    return result;
  }
  LogMessage(this, "LoadResources - Language resource file: %s.", m_szLanguageDllPath);

  m_hLanguageModule = LoadLibraryA(m_szLanguageDllPath);
  DWORD error = GetLastError();
  held.reset();  // mapped now, or not loaded at all
  if (m_hLanguageModule == nullptr) {
    if (error == ERROR_SUCCESS) error = ERROR_MOD_NOT_FOUND;  // a failed load never reads as success
    LogMessage(this, "LoadResources - Failed to load the language resource file. Error: %lu", error);
    ShowError<IDS_LANGUAGE_LOAD_FAILED>(this);
    return error;
  }
  return ERROR_SUCCESS;
}
