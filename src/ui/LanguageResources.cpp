// The language DLL: carried inside the executable, written to the temporary folder and loaded
// as the source of every message, dialog and spoken prompt.
#include "core/Bootstrapper.h"

DWORD Bootstrapper::LoadResources() {
  DWORD result = ExtractResource(nullptr, "LANGUAGE", "LANG_BOOTSTRAPPER", m_szLanguageDllPath);
  if (result != ERROR_SUCCESS) {
    LogMessage(this, "LoadResources - Failed to extract language resource file.");
    ShowError(this, 2);
    return result;
  }
  LogMessage(this, "LoadResources - Language resource file: %s.", m_szLanguageDllPath);

  m_hLanguageModule = LoadLibraryA(m_szLanguageDllPath);
  if (m_hLanguageModule == nullptr) {
    DWORD error = GetLastError();
    if (error == ERROR_SUCCESS) error = ERROR_MOD_NOT_FOUND;  // a failed load never reads as success
    LogMessage(this, "LoadResources - Failed to load the language resource file. Error: %lu", error);
    ShowError(this, 3);
    return error;
  }
  return ERROR_SUCCESS;
}
