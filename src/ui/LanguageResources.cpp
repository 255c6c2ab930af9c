// The language DLL: carried inside the executable, written to the working folder and loaded
// as the source of every message, dialog and spoken prompt.
//
// The file stays held without write or delete sharing from its writing until the loader has
// mapped it (a mapped image cannot be changed either), so that the code loaded is the code the
// package carries.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "settings/WorkFolderFiles.h"

DWORD Bootstrapper::LoadResources() {
  FileHandle held;
  char path[260] = {};
  DWORD result = ExtractToWorkFolder(nullptr, kLanguageResourceType, kLanguageResource, "PendrixLang.dll", path, held);
  if (result != ERROR_SUCCESS) {
    LogMessage(this, "LoadResources - Failed to extract language resource file.");
    if (IsDiskFull(result))
      ShowError<IDS_DISK_FULL>(this, SpaceToFree(m_szTempFolder).c_str());
    else
      ShowError<IDS_LANGUAGE_EXTRACT_FAILED>(this);
    return result;
  }
  CopyCut(m_szLanguageDllPath, path);
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
