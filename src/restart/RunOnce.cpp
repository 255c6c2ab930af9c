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

  if (m_bSystemAccount) {
    LogMessage(this, "AddToRunOnce - The package runs as the system account, which never logs on: its RunOnce entry "
               "would never run, so none is written. After a restart, run the package again.");
    return false;
  }

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
  // An elevated run resumes only a package that no other account can change meanwhile.
  if (!PackageMayResume(path)) return false;

  // The resumed run starts in a folder of the system's choosing: its paths are the absolute ones
  // this run resolved at its start. The rest of the command line stays as received.
  std::string arguments;
  bool logDropped = false;
  if (!m_pCommandLine->WithStoredPaths(arguments, &logDropped)) {
    LogMessage(this, "AddToRunOnce - The settings file %s cannot be passed on: the command line cannot quote its "
               "path. No entry is written: after a restart, start the package again.",
               m_pCommandLine->m_szReplaceSettingsPath);
    return false;
  }
  if (logDropped)
    LogMessage(this, "AddToRunOnce - The command line cannot quote the log path %s: the resumed run logs to the "
               "default file beside the package, %s\\ZR_Setup_Package.log.",
               m_pCommandLine->m_szLogPath, m_szSourceDir);
  // Cut, the line would run the package otherwise than this run: another setup type, perhaps
  // not silent.
  if (arguments.size() > kRunOnceArgumentChars) {
    LogMessage(this, "AddToRunOnce - The command line is longer than %lu characters. The package will not resume "
               "after a restart.", static_cast<DWORD>(kRunOnceArgumentChars));
    return false;
  }
  // And the welcome steps the user has already been through, each when it fits whole: without
  // it the resumed run only greets the user again.
  std::string lowered = arguments;
  CharLowerBuffA(&lowered[0], static_cast<DWORD>(lowered.size()));
  const struct {
    DWORD flag;
    const char* mark;
    const char* option;
  } welcomeSteps[] = {{kWelcomeDlg, "nowelcomedlg", " /NoWelcomeDlg"}, {kWelcomeWave, "nowelcomewave", " /NoWelcomeWave"}};
  for (const auto& step : welcomeSteps) {
    if ((ListSection.dwFlags & step.flag) == 0 || lowered.find(step.mark) != std::string::npos) continue;
    if (arguments.size() + strlen(step.option) > kRunOnceArgumentChars) {
      LogMessage(this, "AddToRunOnce - No room for%s: the resumed run greets the user again.", step.option);
      continue;
    }
    arguments += step.option;
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

void Bootstrapper::ShowStartAgain() {
  if (m_szNotResumed[0] == '\0') return;
  LogMessage(this, "ShowStartAgain - Nothing resumes after the restart: the user is told to start %s again after it.",
             m_szNotResumed);
  ShowError<IDS_START_AGAIN_AFTER_RESTART>(this, m_szNotResumed);
}
