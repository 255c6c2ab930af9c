// The RunOnce entry that starts the package again after the next logon, so that a restart in
// the middle of the prerequisites resumes the install without its welcome steps.
#include <cstring>

#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"

namespace {

const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr REGSAM kRunOnceAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

void FormatValueName(const Bootstrapper& bootstrapper, char (&name)[110]) {
  FormatCut(name, "%s_SetupPackage", bootstrapper.m_szDisplayName);
}

}  // namespace

bool Bootstrapper::AddToRunOnce() {
  char name[110] = {};
  FormatValueName(*this, name);
  char path[260] = {};
  GetModuleFileNameA(nullptr, path, sizeof(path) - 1);

  // The package's own arguments, and the welcome steps the user has already been through.
  char arguments[1000] = {};
  char lowered[1000] = {};
  if (const char* commandLine = m_pCommandLine->GetCommandLineCopy()) {
    CopyCut(arguments, commandLine);
    CopyCut(lowered, commandLine);
    CharLowerA(lowered);
  }
  if ((ListSection.dwFlags & kWelcomeDlg) != 0 && strstr(lowered, "nowelcomedlg") == nullptr)
    AppendCut(arguments, " /NoWelcomeDlg");
  if ((ListSection.dwFlags & kWelcomeWave) != 0 && strstr(lowered, "nowelcomewave") == nullptr)
    AppendCut(arguments, " /NoWelcomeWave");

  // The path is quoted: unquoted, a blank in it would hand the resumed package the rest of its
  // own path as arguments, and every further restart would store them once more.
  char data[1500] = {};
  FormatCut(data, "\"%s\" %s", path, arguments);
  LogMessage(this, "AddToRunOnce - Writing value \"%s\" with data \"%s\".", name, data);

  RegKey key;
  LONG error = RegCreateKeyExA(HKEY_CURRENT_USER, kRunOnceKey, 0, nullptr, REG_OPTION_NON_VOLATILE, kRunOnceAccess,
                               nullptr, key.put(), nullptr);
  if (error != ERROR_SUCCESS) {
    LogMessage(this, "AddToRunOnce - Failed to create RunOnce key. Error: %d", error);
    return false;
  }
  error = RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                         static_cast<DWORD>(strlen(data) + 1));
  if (error != ERROR_SUCCESS) LogMessage(this, "AddToRunOnce - Failed to set RunOnce value. Error: %d", error);
  RegFlushKey(key.get());
  return error == ERROR_SUCCESS;
}

bool Bootstrapper::RemoveFromRunOnce() {
  char name[110] = {};
  FormatValueName(*this, name);
  LogMessage(this, "RemoveFromRunOnce - Deleting RunOnce value \"%s\".", name);

  RegKey key;
  LONG error = RegOpenKeyExA(HKEY_CURRENT_USER, kRunOnceKey, 0, kRunOnceAccess, key.put());
  if (error != ERROR_SUCCESS) {
    LogMessage(this, "RemoveFromRunOnce - Failed to open RunOnce key. Error: %d", error);
    return false;
  }
  error = RegDeleteValueA(key.get(), name);
  if (error != ERROR_SUCCESS) LogMessage(this, "RemoveFromRunOnce - Failed to delete the RunOnce value. Error: %d", error);
  RegFlushKey(key.get());
  return error == ERROR_SUCCESS;
}
