// Start-up and teardown of the Bootstrapper object.
#include "core/Bootstrapper.h"

#include <shlwapi.h>

#include <cstring>

#include "core/BoundedString.h"
#include "core/SetupTypeName.h"
#include "core/SystemFolder.h"
#include "core/Trace.h"
#include "package/Version.h"
#include "trust/HeldPath.h"
#include "trust/Token.h"
#include "trust/WorkFolder.h"

HHOOK g_hKeyboardHook = nullptr;
Bootstrapper* g_pActiveBootstrapper = nullptr;

namespace {

// The temporary folder in its long form, ending in a backslash, spelled for the ANSI functions.
AnsiPathForm GetTempFolder(char (&folder)[260]) {
  wchar_t temp[MAX_PATH] = {};
  DWORD length = GetTempPathW(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return AnsiPathForm::kAsIs;  // left empty: no working folder there
  wchar_t longForm[MAX_PATH] = {};
  length = GetLongPathNameW(temp, longForm, MAX_PATH);
  return ToAnsiPath(length > 0 && length < MAX_PATH ? longForm : temp, folder, 260);
}

// The folder of the executable, without a trailing backslash, spelled for the ANSI functions.
AnsiPathForm GetSourceDir(char (&folder)[260]) {
  wchar_t module[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return AnsiPathForm::kAsIs;
  AnsiPathForm form = ToAnsiPath(module, folder, 260);
  PathRemoveFileSpecA(folder);
  return form;
}

// Says, once, when the code page could not spell a folder's name as it is.
void LogAnsiPathForm(Bootstrapper* bootstrapper, AnsiPathForm form, const char* what, const char* path) {
  if (form == AnsiPathForm::kShortForm)
    LogMessage(bootstrapper, "InitPaths - The code page cannot spell the %s's name; using its short form %s.", what,
               path);
  else if (form == AnsiPathForm::kUnspellable)
    LogMessage(bootstrapper, "InitPaths - The code page cannot spell the %s's name, nor a short form: %s.", what, path);
}

// A path given on the command line means the folder that was current at start, not the one that
// is current when the path is used (an installer runs with another current folder).
void MakeAbsolute(char (&path)[260]) {
  if (path[0] == '\0') return;
  char full[MAX_PATH] = {};
  DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  if (length > 0 && length < sizeof(path)) CopyCut(path, full);
}

// Who runs what, where: the line that tells a reader of the log the rest of its context.
void LogRunContext(Bootstrapper* bootstrapper) {
  // The account is looked up only for a reader: on a domain that may ask a controller.
  if (!bootstrapper->m_pCommandLine->Has(kOptLog)) return;
  const OSVERSIONINFOA& version = bootstrapper->m_OSVersion;
  char user[256] = "unknown";
  TokenUserBuffer buffer;
  if (PSID sid = ProcessUser(buffer)) {
    char name[128] = {};
    char domain[128] = {};
    DWORD nameSize = sizeof(name);
    DWORD domainSize = sizeof(domain);
    SID_NAME_USE use;
    if (LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
      FormatCut(user, domain[0] != '\0' ? "%s\\%s" : "%s%s", domain, name);
  }
  const char* rights = bootstrapper->m_bSystemAccount ? "as SYSTEM" : RunsElevated() ? "elevated" : "not elevated";
  LogMessage(bootstrapper, "InitPaths - Pendrix %s on Windows %lu.%lu.%lu%s%s, %s; user %s, %s.", PENDRIX_VERSION_TEXT,
             version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber,
             version.szCSDVersion[0] != '\0' ? " " : "", version.szCSDVersion, IsX64() ? "x64" : "x86", user, rights);
}

}  // namespace

Bootstrapper::Bootstrapper(const char* commandLine)
    : m_pCommandLine(new BootstrapperCommandLine(commandLine)) {
  InitPaths();
  LogMessage(this, "*** Pendrix - Start. ***");
  LogRunContext(this);
  if (m_dwLogRefusal != ERROR_SUCCESS)
    LogMessage(this, "OpenLog - The log file %s is %s; this run logs to the new file %s instead.", m_szLogRefusedPath,
               RefusalText(m_dwLogRefusal), m_szLogFilePath);
  // Dropped as the command line defines, but an administrator who sent them learns so.
  for (const std::string& option : m_pCommandLine->m_UnknownOptions)
    LogMessage(this, "InitPaths - Ignored the unknown option \"%s\".", option.c_str());
  if (m_pCommandLine->Has(kOptLog) && m_pCommandLine->m_szLogPath[0] == '\0')
    LogMessage(this, "InitPaths - /Log names no file: this log is the default one beside the package, %s.",
               m_szLogFilePath);
  LogAnsiPathForm(this, m_SourceDirForm, "package folder", m_szSourceDir);
  if (m_bStationInvisible)
    LogMessage(this, "InitPaths - Nobody can see this run's windows, as in a service's session or as the system "
               "account without a desktop. It runs as with /quiet: silent, without any dialog, message box or "
               "restart.");
  if (GetDllSearch() == DllSearch::kUnavailable)
    LogMessage(this, "InitPaths - This Windows cannot restrict the DLL search; DLLs are loaded by their system paths.");
}

void Bootstrapper::OpenWorkFolder() {
  if (m_WorkFolderHold) return;
  LogAnsiPathForm(this, m_TempFolderForm, "temporary folder", m_szUserTemp);
  // Every file of the run lives in a folder of its own; the files are named when they are written.
  CreateWorkFolder();
  if (!m_WorkFolderHold) return;
  FormatCut(m_szLanguageDllPath, "%sPendrixLang.dll", m_szTempFolder);
  FormatCut(m_szSettingsPath, "%sSettings.ini", m_szTempFolder);
  RemoveStaleWorkFolders();
  TraceMark("working folder: scan for earlier runs' folders");
}

void Bootstrapper::InitPaths() {
  g_hKeyboardHook = SetWindowsHookExA(WH_KEYBOARD, WelcomeKeyboardHookProc, nullptr, GetCurrentThreadId());

  // The user's temporary folder; the working folder is made once the log can tell about it.
  m_TempFolderForm = GetTempFolder(m_szUserTemp);

  m_SourceDirForm = GetSourceDir(m_szSourceDir);

  m_OSVersion = {};
  m_OSVersion.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  GetVersionExA(&m_OSVersion);

  BootstrapperCommandLine& commandLine = *m_pCommandLine;
  commandLine.Parse();
  MakeAbsolute(commandLine.m_szLogPath);
  MakeAbsolute(commandLine.m_szReplaceSettingsPath);
  MakeAbsolute(commandLine.m_szExtractSettingsPath);

  if (commandLine.Has(kOptLog) && commandLine.m_szLogPath[0] != '\0')
    CopyCut(m_szLogFilePath, commandLine.m_szLogPath, 259);
  else
    FormatCut(m_szLogFilePath, "%s\\%s", m_szSourceDir, "ZR_Setup_Package.log");

  if (commandLine.Has(kOptType)) {
    CopyCut(m_szSetupType, commandLine.m_szTypeName, kSetupTypeChars);
    m_bSilent = IsSilentSetupType(m_szSetupType);
  } else {
    CopyCut(m_szSetupType, "default");
  }
  // What deployment tools send to every installer: the chosen setup type, unattended. A run
  // nobody can see is one too: a window it shows would wait for ever.
  m_bStationInvisible = !SystemUtility::CanWindowsBeSeen();
  m_bUnattended = commandLine.Has(kOptQuietRun) || m_bStationInvisible;
  if (m_bUnattended) m_bSilent = TRUE;
  m_bSystemAccount = IsLocalSystem();

  SetSystemFolders();
}

Bootstrapper::~Bootstrapper() {
  // The language module and the settings are needed no more: they and the working folder go
  // before the last line, so that what cannot be deleted is still logged.
  ReleaseLanguageModule();
  TraceMark("language: free and delete");
  ReleaseSettingsFile();
  RemoveCompatibilityMarks();
  TraceMark("settings copy: delete; compatibility marks");
  RemoveWorkFolder();
  TraceMark("working folder: removal");
  WriteTrace(this);
  LogMessage(this, "*** Pendrix - Finish. ***");
  if (g_hKeyboardHook != nullptr) UnhookWindowsHookEx(g_hKeyboardHook);
  g_hKeyboardHook = nullptr;
  m_pCommandLine.reset();  // nothing can be logged from here on
  m_LogFile.reset();
  if (m_hSingleInstanceMutex != nullptr) CloseHandle(m_hSingleInstanceMutex);
  m_hSingleInstanceMutex = nullptr;
}

void Bootstrapper::ReleaseLanguageModule() {
  if (m_hLanguageModule == nullptr) return;
  FreeLibrary(m_hLanguageModule);
  m_hLanguageModule = nullptr;
  if (m_szLanguageDllPath[0] != '\0' && !DeleteFileA(m_szLanguageDllPath)) {
    DWORD error = GetLastError();
    LogMessage(this, "Bootstrapper - Could not delete the language resource file %s. Error: %lu.", m_szLanguageDllPath,
               error);
  }
}
