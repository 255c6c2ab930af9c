// The settings file: found (replacement file, embedded resource, or beside the executable),
// held open without delete sharing for the length of the run, and released at the end.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "settings/Leftovers.h"
#include "settings/ProfileRead.h"

namespace {

// The full, long form of a path; false when it does not fit.
bool NormalizePath(const char* path, char (&normal)[MAX_PATH]) {
  char full[MAX_PATH] = {};
  DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return false;
  DWORD longLength = GetLongPathNameA(full, normal, MAX_PATH);
  if (longLength == 0 || longLength >= MAX_PATH) CopyCut(normal, full);
  return true;
}

// True when two paths name the same file (short names, doubled backslashes and case aside).
bool IsSamePath(const char* a, const char* b) {
  char normalA[MAX_PATH] = {};
  char normalB[MAX_PATH] = {};
  return NormalizePath(a, normalA) && NormalizePath(b, normalB) && lstrcmpiA(normalA, normalB) == 0;
}

}  // namespace

DWORD Bootstrapper::GetSettingsFile() {
  if (m_pCommandLine->Has(kOptReplaceSettings)) {
    DWORD result = ReplaceSettings();
    if (result != ERROR_SUCCESS) {
      LogMessage(this, "GetSettingsFile - Failed to replace settings file with %s.",
                 m_pCommandLine->m_szReplaceSettingsPath);
      return result;
    }
  } else {
    // A package built without embedded settings reads the file beside it: that is no failure.
    const bool embedded = FindResourceA(nullptr, kSettingsResource, kSettingsResourceType) != nullptr;
    DWORD result = ERROR_RESOURCE_TYPE_NOT_FOUND;
    if (embedded) result = ExtractResource(nullptr, kSettingsResourceType, kSettingsResource, m_szSettingsPath);
    m_bSettingsCopyMade = result == ERROR_SUCCESS;
    if (result != ERROR_SUCCESS) {
      char source[260] = {};
      FormatCut(source, "%s\\Settings.ini", m_szSourceDir);
      if (embedded)
        LogMessage(this, "GetSettingsFile - Failed to extract original Settings file to %s. Error: %lu.",
                   m_szSettingsPath, result);
      else
        LogMessage(this, "GetSettingsFile - The package carries no settings; looking for %s.", source);
      if (!SettingsFileExists(source)) {
        LogMessage(this, "GetSettingsFile - There is no Settings file at %s.", source);
        ShowError<IDS_SETTINGS_EXTRACT_FAILED>(this);
        return ERROR_FILE_NOT_FOUND;
      }

      char copy[260] = {};
      FormatCut(copy, "%s\\Settings.ini", m_szTempFolder);
      // A package started from the temporary folder already has its settings in place.
      if (IsSamePath(source, copy)) {
        LogMessage(this, "GetSettingsFile - The source directory is the temporary folder; nothing to copy.");
      } else {
        if (DWORD cleared = ClearLeftoverAttributes(copy))
          LogMessage(this, "GetSettingsFile - Cleared the attributes 0x%lx of the file left at %s.", cleared, copy);
        if (!CopyFileA(source, copy, FALSE)) {
          // Whatever lies under the copy name now is not this package's settings: a stale
          // copy of an earlier run must not be installed from.
          DWORD error = GetLastError();
          LogMessage(this, "GetSettingsFile - Failed to copy the Settings file to %s. Error: %lu.", copy, error);
          ShowError<IDS_SETTINGS_EXTRACT_FAILED>(this);
          return ERROR_FILE_NOT_FOUND;
        }
        m_bSettingsCopyMade = true;
        DWORD attributes = GetFileAttributesA(copy);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
          if (SetFileAttributesA(copy, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) {
            LogMessage(this, "GetSettingsFile - Made the temp Settings file writeable.");
          } else {
            DWORD error = GetLastError();
            LogMessage(this, "GetSettingsFile - Failed to make the temp Settings file writeable. Error: %lu", error);
          }
        }
      }
      if (!SettingsFileExists(copy)) {
        ShowError<IDS_SETTINGS_EXTRACT_FAILED>(this);
        return ERROR_FILE_NOT_FOUND;
      }
      LogMessage(this, "GetSettingsFile - Found the Settings file under the source directory.");
      CopyCut(m_szSettingsPath, copy, 259);
    }
  }

  m_hSettingsFile = CreateFileA(m_szSettingsPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return ERROR_SUCCESS;
}

DWORD Bootstrapper::ReplaceSettings() {
  char path[260] = {};
  CopyCut(path, m_pCommandLine->m_szReplaceSettingsPath, 259);
  LogMessage(this, "ReplaceSettings - Replacement settings file: %s.", path);
  if (path[0] == '\0') {
    LogMessage(this, "ReplaceSettings - ReplaceSettings was chosen but no file was specified.");
    ShowError<IDS_REPLACE_SETTINGS_NO_PATH>(this);
    return ERROR_BAD_PATHNAME;
  }
  if (!SettingsFileExists(path)) {
    LogMessage(this, "ReplaceSettings - Could not find the replacement settings file.");
    ShowError<IDS_REPLACE_SETTINGS_MISSING>(this, path);
    return ERROR_FILE_NOT_FOUND;
  }
  CopyCut(m_szSettingsPath, path, 259);
  return ERROR_SUCCESS;
}

DWORD Bootstrapper::OutputSettings() {
  char path[260] = {};
  CopyCut(path, m_pCommandLine->m_szExtractSettingsPath, 259);
  LogMessage(this, "OutputSettings - Output settings file: %s.", path);
  if (path[0] == '\0') {
    LogMessage(this, "OutputSettings - ExtractSettings was chosen but no file was specified.");
    ShowError<IDS_EXTRACT_SETTINGS_NO_PATH>(this);
    return ERROR_BAD_PATHNAME;
  }
  DWORD result = ExtractResource(nullptr, kSettingsResourceType, kSettingsResource, path);
  if (result != ERROR_SUCCESS) {
    LogMessage(this, "OutputSettings - Failed to extract the Settings file for output. Error: %lu", result);
    ShowError<IDS_EXTRACT_SETTINGS_FAILED>(this, path);
    return result;
  }
  return ERROR_SUCCESS;
}

void Bootstrapper::ReleaseSettingsFile() {
  if (m_hSettingsFile != INVALID_HANDLE_VALUE && m_hSettingsFile != nullptr) {
    CloseHandle(m_hSettingsFile);
    m_hSettingsFile = INVALID_HANDLE_VALUE;
  }
  // Only the copy this run wrote goes. The replacement file is the user's own; so is a
  // Settings.ini beside a package started from the temporary folder, and one that another
  // program keeps there when this run never got as far as writing its own.
  if (!m_bSettingsCopyMade) return;
  m_bSettingsCopyMade = false;
  if (!DeleteFileA(m_szSettingsPath)) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND)
      LogMessage(this, "ReleaseSettingsFile - Could not delete the temporary settings file %s. Error: %lu.",
                 m_szSettingsPath, error);
  }
}
