// The settings file: the embedded one, a replacement named with /ReplaceSettings, or, for a
// package that carries none, the Settings.ini beside it. Whichever it is, the run reads one
// copy in its working folder that it holds without write or delete sharing from its writing to
// the end, so that every section is read from the same text. An elevated run reads a file it did
// not carry only when no other account can change it.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/Trace.h"
#include "settings/ProfileRead.h"
#include "trust/OthersMayChange.h"
#include "trust/Token.h"
#include "trust/WorkFolderFiles.h"

namespace {

// More than any settings file holds: a larger file is not read into memory.
constexpr DWORD kMaxSettingsBytes = 16u << 20;

// The whole of an open file, read while nobody may write to it. 0 or a Windows error:
// ERROR_HANDLE_EOF for an empty file, ERROR_FILE_TOO_LARGE for one larger than any settings.
DWORD ReadWholeFile(HANDLE file, HANDLE heap, BYTE*& bytes, DWORD& size) {
  bytes = nullptr;
  size = 0;
  LARGE_INTEGER length = {};
  if (!GetFileSizeEx(file, &length)) return ErrorOr(GetLastError(), ERROR_READ_FAULT);
  if (length.QuadPart == 0) return ERROR_HANDLE_EOF;
  if (length.QuadPart > kMaxSettingsBytes) return ERROR_FILE_TOO_LARGE;
  size = static_cast<DWORD>(length.QuadPart);
  bytes = static_cast<BYTE*>(HeapAlloc(heap, 0, size));
  if (bytes == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  DWORD read = 0;
  if (!ReadFile(file, bytes, size, &read, nullptr) || read != size) {
    DWORD error = ErrorOr(GetLastError(), ERROR_READ_FAULT);
    HeapFree(heap, 0, bytes);
    bytes = nullptr;
    return error;
  }
  return ERROR_SUCCESS;
}

// Tells the user why a settings file could not be read: each case has its own message.
void ReportUnreadableSettings(Bootstrapper* bootstrapper, const char* path, DWORD error) {
  if (error == ERROR_HANDLE_EOF) {
    LogMessage(bootstrapper, "GetSettingsFile - The Settings file %s is empty.", path);
    ShowError<IDS_SETTINGS_EMPTY>(bootstrapper, path);
  } else if (error == ERROR_FILE_TOO_LARGE) {
    LogMessage(bootstrapper, "GetSettingsFile - The Settings file %s is larger than %lu bytes, more than any settings.", path,
               kMaxSettingsBytes);
    ShowError<IDS_SETTINGS_TOO_LARGE>(bootstrapper, path);
  } else {
    LogMessage(bootstrapper, "GetSettingsFile - Failed to read the Settings file %s. Error: %lu.", path, error);
    ShowError<IDS_SETTINGS_UNREADABLE>(bootstrapper, path);
  }
}

}  // namespace

DWORD Bootstrapper::GetSettingsFile() {
  char source[260] = {};
  FileHandle held;
  char copy[260] = {};
  if (m_pCommandLine->Has(kOptReplaceSettings)) {
    DWORD result = ReplaceSettings();
    if (result != ERROR_SUCCESS) {
      LogMessage(this, "GetSettingsFile - Failed to replace settings file with %s.",
                 m_pCommandLine->m_szReplaceSettingsPath);
      return result;
    }
    CopyCut(source, m_szSettingsPath);
  } else {
    DWORD result = ExtractToWorkFolder(nullptr, kSettingsResourceType, kSettingsResource, "Settings.ini", copy, held);
    if (result != ERROR_SUCCESS) {
      LogMessage(this, "GetSettingsFile - Failed to extract original Settings file to %s. Error: %lu.",
                 m_szSettingsPath, result);
      // A package that carries its settings reads no other file: when their copy cannot be
      // written, the run ends here, whatever lies beside the package.
      if (result != ERROR_RESOURCE_TYPE_NOT_FOUND && result != ERROR_RESOURCE_NAME_NOT_FOUND) {
        if (IsDiskFull(result))
          ShowError<IDS_DISK_FULL>(this, SpaceToFree(m_szTempFolder).c_str());
        else if (result == ERROR_CRC)
          ShowError<IDS_PACKAGE_DAMAGED>(this);
        else
          ShowError<IDS_SETTINGS_EXTRACT_FAILED>(this);
        return result;
      }
      FormatCut(source, "%s\\Settings.ini", m_szSourceDir);
      if (!SettingsFileExists(source)) {
        LogMessage(this, "GetSettingsFile - The package carries no settings, and there is no Settings file at %s.",
                   source);
        ShowError<IDS_SETTINGS_EXTRACT_FAILED>(this);
        return ERROR_FILE_NOT_FOUND;
      }
      LogMessage(this, "GetSettingsFile - Found the Settings file under the source directory.");
      LogMessage(this, "GetSettingsFile - The package carries no settings; reading the Settings file beside it: %s.",
                 source);
    }
  }

  if (source[0] != '\0') {
    // Read through the handle that was judged, its folders held from their root.
    HeldPath folders;
    FileHandle file;
    char name[MAX_PATH] = {};
    DWORD result = folders.OpenResolved(source, GENERIC_READ, FILE_SHARE_READ, file, name);
    // Elevated, settings that another account can change would let it name the programs that run.
    if (result == ERROR_SUCCESS && RunsElevated()) {
      ChangeVerdict verdict = JudgeHeldFile(folders, file.get(), name);
      if (!verdict.judged)
        LogMessage(this, "GetSettingsFile - The volume of %s keeps no access lists; who else can change it could not be "
                   "judged.", source);
      if (!verdict.who.empty()) {
        LogMessage(this, "GetSettingsFile - %s can change %s, and so the Settings file %s; an elevated run does not read "
                   "it.", verdict.who.c_str(), verdict.where.c_str(), source);
        ShowError<IDS_SETTINGS_CHANGEABLE>(this, source, verdict.who.c_str());
        return ERROR_ACCESS_DENIED;
      }
    }
    HANDLE heap = GetProcessHeap();
    BYTE* bytes = nullptr;
    DWORD size = 0;
    if (result == ERROR_SUCCESS) result = ReadWholeFile(file.get(), heap, bytes, size);
    if (result != ERROR_SUCCESS) {
      ReportUnreadableSettings(this, source, result);
      return result;
    }
    result = PlaceInWorkFolder("Settings.ini", bytes, size, copy, held);
    HeapFree(heap, 0, bytes);
    if (result != ERROR_SUCCESS) {
      LogMessage(this, "GetSettingsFile - Failed to copy the Settings file %s to the working folder. Error: %lu.", source,
                 result);
      if (IsDiskFull(result))
        ShowError<IDS_DISK_FULL>(this, SpaceToFree(m_szTempFolder).c_str());
      else
        ShowError<IDS_SETTINGS_EXTRACT_FAILED>(this);
      return result;
    }
  }
  m_bSettingsCopyMade = true;
  TraceMark("settings copy: held");
  CopyCut(m_szSettingsPath, copy);
  m_hSettingsFile = held.release();
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
    if (result == ERROR_CRC)
      ShowError<IDS_PACKAGE_DAMAGED>(this);
    else
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
  // Only the copy this run wrote goes: a replacement file is the user's own.
  if (!m_bSettingsCopyMade) return;
  m_bSettingsCopyMade = false;
  if (!DeleteFileA(m_szSettingsPath)) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND)
      LogMessage(this, "ReleaseSettingsFile - Could not delete the temporary settings file %s. Error: %lu.",
                 m_szSettingsPath, error);
  }
}
