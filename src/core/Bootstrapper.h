// The one object that holds all run state of a package run, from start-up to teardown.
// Its operations are defined in the folder of their subsystem.
#pragma once
#include <windows.h>
#include <msiquery.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/AnsiPath.h"
#include "core/CommandLine.h"
#include "core/HandleOwner.h"
#include "core/PackageExitCodes.h"
#include "core/RunOutcome.h"
#include "core/SystemUtility.h"
#include "install/ExitCodeRules.h"
#include "settings/ProductVersion.h"
#include "trust/HeldPath.h"
#include "trust/WorkFolderRules.h"
#include "ui/language/resource.h"

// Setup-type flag bits of ListSectionRecord::dwFlags.
enum ListSectionFlag : DWORD {
  kWelcomeDlg = 0x1,
  kWelcomeWave = 0x2,
  kRebootWave = 0x4,
  kRemoveShared = 0x8,
  kShowProgressBar = 0x10,
  kRestartProductDlg = 0x20,
};

// Installer flag bits of InstallerSectionRecord::dwFlags.
enum InstallerFlag : DWORD {
  kForceRun = 0x1,
  kAddSourceDir = 0x2,
  kDoNotExtract = 0x4,
  kProgramCompatibility = 0x8,
};

// Deferred-reboot bits recorded by the exit-code rules.
enum DeferredRebootBit : WORD {
  kDeferReboot = 0x1,
  kDeferForceReboot = 0x10,
};

// Return actions of CheckExitCode.
enum ReturnAction : DWORD {
  kActionContinue = 0,
  kActionFailed = 1,
  kActionRestartDeclined = 2,
  kActionRestarting = 3,
  kActionReturn = 4,
  kActionReinstall = 5,
};

// Modes of ShowReboot: which restart is asked for, and so the buttons and the recording.
enum RebootPromptMode : int {
  kRebootPromptDeferred = 1,        // "defer" codes only: OK or Cancel
  kRebootPromptDeferredForce = 2,   // a "deferforce" code: OK only
  kRebootPromptImmediate = 3,       // OK or Cancel
  kRebootPromptImmediateForce = 4,  // OK only
  kRebootPromptForce = 5,           // OK only
};

// Levels of ShowPermissionsError: which rights the refusal names.
enum PermissionLevel : int {
  kAdministratorLevel = 1,
  kPowerUserLevel = 2,
};

constexpr size_t kMaxCodes = 49;

struct CodeList {
  DWORD dwCount;
  DWORD dwCodes[kMaxCodes];
};

struct ListSectionRecord {
  char Name[100];
  char PreInstall[1000];
  char MainInstall[100];
  char ReqPermission[25];
  char ReqOS[15];
  char ReqPlatform[10];
  DWORD dwFlags;
};

struct InstallerSectionRecord {
  char Name[100];
  char File[260];
  char Arguments[1000];
  char Reboot[25];
  CodeList RebootCodes;
  CodeList FailCodes;
  LONG PlayTone;
  DWORD dwFlags;
  char CheckExistence[520];
  CodeList ReinstallCodes;
  char ProductCode[50];
};

struct WelcomeDlgResRecord {
  HINSTANCE hInstance;
  DWORD dwDlgID;
  DWORD dwStaticMsg1ID;
  DWORD dwStaticMsg2ID;
  DWORD dwStaticSidePanelID;
  DWORD dwSidePanelBmpID;
};

struct ProgressShare;

class Bootstrapper {
 public:
  // Performs every start-up step and logs the start banner.
  explicit Bootstrapper(const char* commandLine);
  // Teardown: finish banner, settings released, hook removed, language module freed.
  ~Bootstrapper();
  Bootstrapper(const Bootstrapper&) = delete;
  Bootstrapper& operator=(const Bootstrapper&) = delete;

  // --- run sequence (core) ---
  DWORD RunBootstrapper();
  // Opens the log file of m_szLogFilePath for the run (core/Log.cpp).
  DWORD OpenLog();
  bool PrepareRun();
  bool AcquireSingleInstance();

  // --- install orchestration (core) ---
  DWORD DoSettings_Install();
  DWORD InstallPrerequisite(const char* section, DWORD* action, BOOL mainInstaller, BOOL reinstalling);
  DWORD InstallMain(const char* section, BOOL mainInstaller, BOOL checkExitCode, DWORD* action);
  void CloseMagnifier();

  // --- the run's working folder (core) ---
  // Once a run goes on past the single-instance check: the working folder, the names of the
  // files the run writes there, and earlier runs' folders removed.
  void OpenWorkFolder();
  void CreateWorkFolder();
  void RemoveStaleWorkFolders();
  void RemoveWorkFolder();

  // --- settings ---
  DWORD ExtractResource(HMODULE module, const char* type, const char* name, const char* outputPath);
  // A resource written as fileName into the working folder and held (trust/WorkFolderFiles.h);
  // path gets where it was written.
  DWORD ExtractToWorkFolder(HMODULE module, const char* type, const char* name, const char* fileName,
                            char (&path)[260], FileHandle& held);
  // With `recordedCrc`, the bytes are checked against it as they are written: ERROR_CRC when
  // they differ, and nothing is left in the folder.
  DWORD PlaceInWorkFolder(const char* fileName, const BYTE* bytes, DWORD size, char (&path)[260], FileHandle& held,
                          const uint32_t* recordedCrc = nullptr);
  DWORD GetSettingsFile();
  DWORD ReplaceSettings();
  DWORD OutputSettings();
  void ReleaseSettingsFile();
  DWORD SetListSection();
  DWORD SetInstallerSection(const char* section);
  void SetSystemFolders();
  void ReplaceVarPaths(const char* path, char* buffer, DWORD size);
  int RunCheckExistence();
  int IsRegKeyExists(const char* keyPath);
  int IsMsiProductInstalled(const char* msiPath);
  UINT MsiQueryProperty(MSIHANDLE database, const char* property, char* buffer, DWORD size);

  // --- install ---
  DWORD RunInstaller(const char* section, BOOL mainInstaller);
  void GetOutputFileName(char* buffer, DWORD size);
  bool FindMSISetupFlag(const char* arguments, char* buffer, DWORD size);
  bool DoWeAllowInstallerToRun(BOOL mainInstaller, const char* outputFile, int* reinstall);
  DWORD Run(const char* file, const char* arguments, LONG toneSeconds, int showCommand);
  // Removes the program-compatibility values this run made; at teardown, since the compatibility
  // assistant reads them after an installer has ended.
  void RemoveCompatibilityMarks();
  // False when a piece does not fit whole: the installer must not run with a cut command line.
  bool AddToArguments(int reinstall);
  // The Windows Installer log beside the package log, made or checked and held open; msiexec
  // writes it in the working folder (workPath), and CopyMsiLog carries what it wrote across, while
  // it runs and once more in ReleaseMsiLog, once msiexec has ended (install/MsiLog.cpp).
  DWORD PrepareMsiLog(char (&workPath)[260]);
  void CopyMsiLog();
  void ReleaseMsiLog();
  DWORD CheckExitCode(const char* section, DWORD exitCode, BOOL reinstalling);
  bool RunCleanup();
  void CreateSystemRestorePoint();
  void EndSystemRestorePoint();

  // --- restart ---
  bool ShowReboot(int mode, BOOL furtherWork);
  BOOL PlayRebootWave(BOOL play, DWORD soundFlags, const char* name);
  void ShowRestartProduct();
  DWORD RestartComputer();
  bool AddToRunOnce();
  bool RemoveFromRunOnce();
  // After a restart that the package needs, when it will not resume by itself (ShowStartAgain).
  void ShowStartAgain();

  // --- trust: what lies beside the package ---
  // The package's folder as it is reached now, held from its root for the run (trust/PackageFolder.cpp).
  DWORD HoldPackageFolder();
  // An installer file beside the package (fileName, relative to it or from a root), held with its
  // folders from the root, checked against its recorded hash and, elevated, judged; path gets the
  // path its handle resolves to. 0, or the code of the installer that is not run.
  DWORD OpenBesidePackage(const char* section, const char* fileName, const char* resourceName, HeldPath& folders,
                          FileHandle& file, char (&path)[260]);
  // Whether the package that a RunOnce entry would start may be started so after a restart: in
  // an elevated run, only when no other account can change it; path then gets its resolved path.
  bool PackageMayResume(char (&path)[260]);

  // --- requirements ---
  bool CheckRequiredPermissions();
  bool IsAdministrator();
  bool IsPowerUser();
  bool CheckRequiredOS();
  bool CheckRequiredPlatform();

  // --- spoken user interface ---
  DWORD LoadResources();
  // The language of the run, by /UILanguage or the user's UI language, logged with why; the
  // name of the resource that holds its DLL goes to `resource`.
  void ChooseLanguageResource(char (&resource)[32]);
  BOOL PlayWave(BOOL play, DWORD soundFlags, const char* name);
  BOOL PlayWelcomeWave(BOOL play, DWORD soundFlags);
  bool ShowReinstall(const char* component);
  void ShowFailure(const char* component);
  void ShowOSError();
  void ShowPlatformError();
  void ShowPermissionsError(int level);
  void SetWelcomeDlgRes(HINSTANCE hInstance, DWORD dwDlgID, DWORD dwStaticMsg1ID, DWORD dwStaticMsg2ID,
                        DWORD dwStaticSidePanelID, DWORD dwSidePanelBmpID);
  bool RunWelcomeStep();
  bool ShowWelcome();
  DWORD ShowHelp();
  DWORD ShowMoreHelp();
  void StartProgressDialog();
  void CloseProgressDialog();

  // --- run state, in the order of the data model ---
  HANDLE m_hSingleInstanceMutex = nullptr;
  HANDLE m_hSettingsFile = INVALID_HANDLE_VALUE;
  SystemUtility m_SystemUtility;
  std::unique_ptr<BootstrapperCommandLine> m_pCommandLine;
  HMODULE m_hLanguageModule = nullptr;
  char m_szLanguageDllPath[260] = {};
  char m_szSettingsPath[260] = {};
  char m_szTempFolder[260] = {};
  char m_szSourceDir[260] = {};
  char m_szLogFilePath[260] = {};
  // The log, open for appending from the first line to the last. When the file named was one this
  // run must not append to (a link, a file of several names or of another owner), the log is a
  // new file beside it: why, and the name refused.
  FileHandle m_LogFile;
  DWORD m_dwLogRefusal = 0;
  char m_szLogRefusedPath[260] = {};
  // The Windows Installer log of the installer that runs: its folders while it is chosen, the file
  // it is copied into, where msiexec writes it, and how much of that has been copied.
  HeldPath m_MsiLogFolder;
  FileHandle m_MsiLogFile;
  char m_szMsiLogPath[260] = {};
  char m_szMsiLogWork[260] = {};
  LONGLONG m_llMsiLogCopied = 0;
  // The package's folder, held from its root once it is resolved, and its resolved path.
  HeldPath m_PackageFolder;
  char m_szPackageFolder[260] = {};
  // The package, when another account can change it and so nothing resumes after a restart.
  char m_szNotResumed[260] = {};
  char m_szSetupType[100] = {};
  char m_szDisplayName[100] = {};
  ListSectionRecord ListSection = {};
  std::string m_CurrentSectionName;
  InstallerSectionRecord InstallerSection = {};
  WORD m_wDeferredReboot = 0;
  BOOL m_bMsiInstall = TRUE;
  // The last RunInstaller skipped its installer: there is no exit code to judge.
  BOOL m_bInstallerSkipped = FALSE;
  // The last RunInstaller could not extract, hold or start its installer: a failure, not an exit code.
  BOOL m_bInstallerNotRun = FALSE;
  // ... because its section could not be read, which the user has been told.
  BOOL m_bInstallerSectionUnread = FALSE;
  // A restart that a prerequisite needs now was declined, or could not be started.
  BOOL m_bRestartNotDone = FALSE;
  // The rule that decided the last prerequisite's exit code, for the log's words on it.
  DecidingRule m_LastRule = DecidingRule::kNone;
  // The first prerequisite whose restart is still due (deferred, or not done).
  std::string m_RestartNeededBy;
  // The installer whose exit code the package ends with, or that made it end ("the prerequisite
  // A"), for the log's last word on the run; empty when no installer decided.
  std::string m_DecidedBy;
  OSVERSIONINFOA m_OSVersion = {};
  char m_szWinDrive[260] = {};
  char m_szProgramFiles[260] = {};
  char m_szWindowsDir[260] = {};
  char m_szSystemDir[260] = {};
  // The 64-bit Program Files and system folders of 64-bit Windows, which a 32-bit program does
  // not see under their own names; on 32-bit Windows the same as the two above.
  char m_szProgramFiles64[260] = {};
  char m_szSystem64Dir[260] = {};
  WelcomeDlgResRecord WelcomeDlgRes = {};
  // The progress dialog and its bar once the dialog is up, for the main thread to post to.
  HWND m_hProgressDlg = nullptr;
  HWND m_hProgressBar = nullptr;
  DWORD m_dwPrerequisiteCount = 0;
  // The progress thread and what it shares with it (ui/ProgressDialog.cpp), until it is closed.
  HANDLE m_hProgressThread = nullptr;
  ProgressShare* m_pProgressShare = nullptr;
  // The system change begun before the prerequisites, to be ended with its number after them.
  BOOL m_bRestorePointBegun = FALSE;
  INT64 m_llRestorePointSequence = 0;
  // The program-compatibility values this run made, named after its installers' paths.
  std::vector<std::string> m_CompatibilityMarks;
  // Why the run ends, for the log's last word on it.
  RunOutcome m_RunOutcome = RunOutcome::kUnknown;
  BOOL m_bSilent = FALSE;
  // Nobody can see or answer a window: /quiet, or a window station that is not visible (a
  // service's session, the system account without a desktop). Silent, and no dialog at all.
  BOOL m_bUnattended = FALSE;
  BOOL m_bStationInvisible = FALSE;
  // The run is the system account's, whose RunOnce entries never run: it never logs on.
  BOOL m_bSystemAccount = FALSE;
  BOOL m_bProductRunningAtStart = FALSE;
  BOOL m_bSpeechSuppressed = FALSE;
  // The hidden window that gives the package its taskbar entry, retitled in the language once
  // that is loaded; null where no window was made (the tests' Bootstrappers).
  HWND m_hHiddenWindow = nullptr;

 private:
  void InitPaths();
  void ReleaseLanguageModule();

  // The user's temporary folder, with its trailing backslash: the working folder's place when
  // the package runs without elevation.
  char m_szUserTemp[260] = {};
  // The working folder (m_szTempFolder) held for the run, and its owner and DACL as the file
  // system keeps them (what an earlier run's folder must show too).
  FileHandle m_WorkFolderHold;
  std::string m_WorkFolderSecurity;
  // Only SYSTEM and the administrators can change the folder's files, which this run makes as
  // theirs: what is written there needs no reading back (trust/WorkFolderFiles.cpp).
  bool m_bWorkFolderTrusted = false;

  // How the temporary folder and the source directory were spelled for the ANSI functions.
  AnsiPathForm m_TempFolderForm = AnsiPathForm::kAsIs;
  AnsiPathForm m_SourceDirForm = AnsiPathForm::kAsIs;
  // This run wrote the settings copy in the working folder; only then does it delete it.
  bool m_bSettingsCopyMade = false;
};

// --- process-wide values ---
extern HHOOK g_hKeyboardHook;             // installed by InitPaths, removed at teardown
extern Bootstrapper* g_pActiveBootstrapper;  // set by every dialog procedure, never cleared

// One log line per decision; formats as wvnsprintfA understands them.
void LogMessage(Bootstrapper* bootstrapper, const char* format, ...);
DWORD WriteLogLine(HANDLE file, const char* format, va_list args);

// An error report by message number of the language module, with its "%s" arguments.
void ShowError(Bootstrapper* bootstrapper, UINT messageId, ...);

// The same for a message of the table in ui/language/resource.h, given as many strings as the
// message takes: another count does not compile.
template <unsigned Id, typename... Strings>
void ShowError(Bootstrapper* bootstrapper, Strings... strings) {
  static_assert(MessageStrings(Id) >= 0, "a message the table does not list");
  static_assert(MessageStrings(Id) == static_cast<int>(sizeof...(Strings)),
                "the message takes another count of strings");
  static_assert((std::is_convertible_v<Strings, const char*> && ...), "messages take strings");
  ShowError(bootstrapper, Id, static_cast<const char*>(strings)...);
}

// Message `Id` of the language module into buffer, as LoadStringA(language, Id, buffer, size)
// loads it. Strings is the number of "%s" that the caller fills in: the table must agree.
template <unsigned Id, int Strings = 0>
int LoadMessage(HMODULE language, char* buffer, int size) {
  static_assert(MessageStrings(Id) >= 0, "a message the table does not list");
  static_assert(MessageStrings(Id) == Strings, "the message takes another count of strings");
  return LoadStringA(language, Id, buffer, size);
}

void CenterWindow(HWND window);
// Gives a dialog the executable's icon, big and small.
void SetDialogIcon(HWND dialog);

// Hook and dialog procedures.
LRESULT CALLBACK WelcomeKeyboardHookProc(int code, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WelcomeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK HelpDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The progress thread, given what it shares with the Bootstrapper (ui/ProgressDialog.cpp).
void __cdecl ProgressThreadProc(void* argument);

// Operating-system facts, read once per process.
void GetOSInfo();
bool IsOSVersionAtLeast(DWORD major, DWORD minor);
bool IsVistaOrLater();
bool IsX64();
