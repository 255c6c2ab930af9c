// The RunOnce entry that starts the package again after the next logon, so that a restart in
// the middle of the prerequisites resumes the install without its welcome steps.
#include <cstring>
#include <string>

#include "core/AnsiPath.h"
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"

namespace {

// The arguments the value keeps, besides the package's path.
constexpr size_t kRunOnceArgumentChars = 999;
const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr REGSAM kRunOnceAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

void FormatValueName(const Bootstrapper& bootstrapper, char (&name)[110]) {
  FormatCut(name, "%s_SetupPackage", bootstrapper.m_szDisplayName);
}

}  // namespace

bool Bootstrapper::AddToRunOnce() {
  char name[110] = {};
  FormatValueName(*this, name);

  // The package by a path that the code page can spell (its short form where the long one
  // cannot be), or the line would start nothing after the restart.
  wchar_t module[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  char path[260] = {};
  if (length == 0 || length >= MAX_PATH || ToAnsiPath(module, path, sizeof(path)) == AnsiPathForm::kUnspellable) {
    LogMessage(this, "AddToRunOnce - The code page cannot spell the package's path, nor a short form: %s. "
               "The package will not resume after a restart.", path);
    return false;
  }

  // The resumed run starts in a folder of the system's choosing: its paths are the absolute ones
  // this run resolved at its start. The rest of the command line stays as received.
  std::string arguments;
  if (!m_pCommandLine->WithStoredPaths(arguments)) {
    LogMessage(this, "AddToRunOnce - A path of the command line holds a - or a /, which a command line cannot pass on. "
               "The package will not resume after a restart.");
    return false;
  }
  // And the welcome steps the user has already been through.
  std::string lowered = arguments;
  CharLowerBuffA(&lowered[0], static_cast<DWORD>(lowered.size()));
  if ((ListSection.dwFlags & kWelcomeDlg) != 0 && lowered.find("nowelcomedlg") == std::string::npos)
    arguments += " /NoWelcomeDlg";
  if ((ListSection.dwFlags & kWelcomeWave) != 0 && lowered.find("nowelcomewave") == std::string::npos)
    arguments += " /NoWelcomeWave";
  // Cut, the line would run the package otherwise than this run.
  if (arguments.size() > kRunOnceArgumentChars) {
    LogMessage(this, "AddToRunOnce - The command line is longer than %lu characters. The package will not resume "
               "after a restart.", static_cast<DWORD>(kRunOnceArgumentChars));
    return false;
  }

  // The path is quoted: unquoted, a blank in it would hand the resumed package the rest of its
  // own path as arguments, and every further restart would store them once more.
  char data[1500] = {};
  FormatCut(data, "\"%s\" %s", path, arguments.c_str());
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
