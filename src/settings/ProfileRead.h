// Reading the settings file through the profile functions. Each key has its own cut: at most
// `chars` characters of its value are kept (the profile function gets a buffer of chars + 1).
// The names, defaults and cuts of the keys come from the one table in settings/SettingsKeys.h.
#pragma once
#include <windows.h>

#include <cstring>

#include "core/Bootstrapper.h"
#include "settings/SettingsKeys.h"
#include "settings/YesNo.h"

// True when a file, not a folder, exists at path.
inline bool SettingsFileExists(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

template <size_t N>
inline void ReadProfileKey(const char* settingsPath, const char* section, const char* key, const char* defaultValue,
                           char (&buffer)[N], size_t chars = N - 1) {
  memset(buffer, 0, N);
  DWORD size = static_cast<DWORD>(chars + 1 < N ? chars + 1 : N);
  GetPrivateProfileStringA(section, key, defaultValue, buffer, size, settingsPath);
}

// A key of the table, with its default and its cut.
template <size_t N>
inline void ReadSettingsKey(const char* settingsPath, const char* section, const SettingsKey& key, char (&buffer)[N]) {
  ReadProfileKey(settingsPath, section, key.name, key.defaultValue, buffer, key.chars);
}

// A yes-or-no key: a buffer of four bytes, so only the first three characters are seen.
struct YesNoKey {
  char value[kYesNoChars + 1];
};
inline YesNoKey ReadYesNoKey(const char* settingsPath, const char* section, const SettingsKey& key) {
  YesNoKey read = {};
  ReadSettingsKey(settingsPath, section, key, read.value);
  return read;
}

// Reads a yes-or-no key, logs the value as read with the caller's own log line, and sets the
// flag on yes.
inline void ReadYesNoFlag(Bootstrapper* bootstrapper, const char* settingsPath, const char* section,
                          const SettingsKey& key, const char* logFormat, DWORD flag, DWORD& flags) {
  YesNoKey read = ReadYesNoKey(settingsPath, section, key);
  LogMessage(bootstrapper, logFormat, read.value);
  if (IsYesValue(read.value)) flags |= flag;
}
