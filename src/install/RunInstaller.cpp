// Running one installer: its section, its file on disk, the skip decision, its command line,
// the launch with the temporary folder as current folder, the wait, and the clean-up.
#include "core/Bootstrapper.h"

#include <shellapi.h>

#include <cstring>

#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "core/SystemFolder.h"
#include "install/InstallerResource.h"
#include "install/MsiSwitch.h"
#include "settings/ExistenceVotes.h"

namespace {

// The extracted installer, deleted on every way out once the extraction has succeeded. A file
// that cannot go (a child of the installer still runs from it) is logged; the next run
// replaces it.
class ExtractedFile {
 public:
  ExtractedFile(Bootstrapper* bootstrapper, const char* path) : m_bootstrapper(bootstrapper), m_path(path) {}
  ~ExtractedFile() {
    if (m_path == nullptr || DeleteFileA(m_path)) return;
    DWORD error = GetLastError();
    LogMessage(m_bootstrapper, "RunInstaller - Could not delete the installer file %s. Error: %lu.", m_path, error);
  }
  ExtractedFile(const ExtractedFile&) = delete;
  ExtractedFile& operator=(const ExtractedFile&) = delete;

 private:
  Bootstrapper* m_bootstrapper;
  const char* m_path;
};

// The error of a refused launch. The shell's own result code is what it reliably reports (Wine
// leaves the thread's last error unreliable after a refusal); the last error is the fallback.
DWORD LaunchError(HINSTANCE shellResult, DWORD lastError) {
  struct Mapping {
    INT_PTR shellCode;
    DWORD error;
  };
  static const Mapping kMappings[] = {
      {SE_ERR_FNF, ERROR_FILE_NOT_FOUND},          {SE_ERR_PNF, ERROR_PATH_NOT_FOUND},
      {SE_ERR_ACCESSDENIED, ERROR_ACCESS_DENIED},  {SE_ERR_OOM, ERROR_NOT_ENOUGH_MEMORY},
      {ERROR_BAD_FORMAT, ERROR_BAD_FORMAT},        {SE_ERR_SHARE, ERROR_SHARING_VIOLATION},
      {SE_ERR_ASSOCINCOMPLETE, ERROR_NO_ASSOCIATION}, {SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
      {SE_ERR_DDETIMEOUT, ERROR_DDE_FAIL},         {SE_ERR_DDEFAIL, ERROR_DDE_FAIL},
      {SE_ERR_DDEBUSY, ERROR_DDE_FAIL},            {SE_ERR_DLLNOTFOUND, ERROR_DLL_NOT_FOUND},
  };
  INT_PTR code = reinterpret_cast<INT_PTR>(shellResult);
  for (const Mapping& mapping : kMappings)
    if (mapping.shellCode == code) return mapping.error;
  return lastError != ERROR_SUCCESS ? lastError : ERROR_FILE_NOT_FOUND;
}

// Marks the installer as known to the program-compatibility assistant, which would otherwise
// ask after an installer without a manifest whether it installed correctly.
void MarkProgramCompatibility(const char* file) {
  RegKey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER,
                      "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\"
                      "Persisted",
                      0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return;
  DWORD one = 1;
  RegSetValueExA(key.get(), file, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
  RegFlushKey(key.get());
}

}  // namespace

DWORD Bootstrapper::RunInstaller(const char* section, BOOL mainInstaller) {
  m_bInstallerSkipped = FALSE;
  if (section == nullptr || section[0] == '\0') return kExitNotRun;
  if (SetInstallerSection(section) != ERROR_SUCCESS) {
    LogMessage(this, "RunInstaller - Failed to read the installer-specific section in Settings.");
    return kExitNotRun;
  }
  const bool extract = (InstallerSection.dwFlags & kDoNotExtract) == 0;

  char outputFile[260] = {};
  GetOutputFileName(outputFile, sizeof(outputFile));
  LogMessage(this, "RunInstaller - Output file name: %s.", outputFile);
  if (outputFile[0] == '\0' && extract) {
    ShowError<IDS_OUTPUT_FILE_UNKNOWN>(this, section);
    return kExitNotRun;
  }

  if (extract) {
    char resourceName[kResourceNameSize] = {};
    InstallerResourceName(InstallerSection.Name, resourceName);
    if (ExtractResource(nullptr, kInstallerResourceType, resourceName, outputFile) != ERROR_SUCCESS) {
      LogMessage(this, "RunInstaller - Failed to extract the installer.");
      ShowError<IDS_INSTALLER_EXTRACT_FAILED>(this, section);
      return kExitNotRun;
    }
  }
  // With DoNotExtract nothing was written: the output file only names the installer beside the package.
  ExtractedFile extracted(this, extract ? outputFile : nullptr);

  int reinstall = 0;
  if (!DoWeAllowInstallerToRun(mainInstaller, outputFile, &reinstall)) {
    LogMessage(this, "RunInstaller - Skipping this installer.");
    m_bInstallerSkipped = TRUE;
    return ERROR_SUCCESS;
  }
  AddToArguments(reinstall);

  // An extracted installer runs in the temporary folder, one that is not extracted beside the
  // package: msiexec finds a relative package name there wherever the package was started from
  // (another folder, a shortcut, the resume after a restart).
  char savedFolder[260] = {};
  GetCurrentDirectoryA(sizeof(savedFolder), savedFolder);
  const char* runFolder = extract ? m_szTempFolder : m_szSourceDir;
  LogMessage(this, "RunInstaller - Set current directory to %s.", runFolder);
  SetCurrentDirectoryA(runFolder);
  if (IsVistaOrLater() && (InstallerSection.dwFlags & kProgramCompatibility) != 0)
    MarkProgramCompatibility(outputFile);

  // An installer is started by its full path: by its bare name the shell would look in the
  // package's own folder first and could start a file of the same name there (the package
  // itself, when both are called setup.exe). Through msiexec the program is msiexec itself, from
  // the system folder (Run); a File that already names a folder is taken as it is.
  const bool fileNamesFolder = strpbrk(InstallerSection.File, "\\/:") != nullptr;
  const char* launched = m_bMsiInstall || fileNamesFolder ? InstallerSection.File : outputFile;
  DWORD exitCode = Run(launched, InstallerSection.Arguments, InstallerSection.PlayTone, SW_SHOW);

  SetCurrentDirectoryA(savedFolder);
  LogMessage(this, "RunInstaller - Set current directory to %s.", savedFolder);
  return exitCode;
}

void Bootstrapper::GetOutputFileName(char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return;
  memset(buffer, 0, size);
  const bool extract = (InstallerSection.dwFlags & kDoNotExtract) == 0;
  const char* format = extract ? "%s%s" : "%s\\%s";
  const char* folder = extract ? m_szTempFolder : m_szSourceDir;
  bounded::Format(buffer, size, format, folder, InstallerSection.File);

  m_bMsiInstall = TRUE;
  if (!IsMsiexecRun(InstallerSection.File)) {
    m_bMsiInstall = FALSE;
    return;
  }
  // Through msiexec the file to extract, or the product, is the word after the action switch.
  char word[260] = {};
  if (FindMSISetupFlag(InstallerSection.Arguments, word, sizeof(word)) && word[0] != '\0')
    bounded::Format(buffer, size, format, folder, word);
  else
    LogMessage(this, "GetOutputFileName - The file or product code could not be found in the command-line arguments.");
}

bool Bootstrapper::FindMSISetupFlag(const char* arguments, char* buffer, DWORD size) {
  if (arguments == nullptr || arguments[0] == '\0' || buffer == nullptr || size == 0) return false;
  int found = FindMsiSwitchWord(arguments, buffer, size);
  if (found < 0) return false;
  LogMessage(this, "FindMSISetupFlag - Found the MSI flag: %s.", kMsiActionSwitches[found]);
  return true;
}

bool Bootstrapper::DoWeAllowInstallerToRun(BOOL mainInstaller, const char* outputFile, int* reinstall) {
  int reinstallFlag = 0;
  // The main installer is never skipped because its product is already installed.
  bool skipIfInstalled = mainInstaller == FALSE;

  int existence = RunCheckExistence();
  LogMessage(this, "DoWeAllowInstallerToRun - RunCheckExistence result: %d", existence);
  if (existence == kExistenceSkip) {
    LogMessage(this, "DoWeAllowInstallerToRun - Skipping this installer because of CheckExistence.");
    if (reinstall != nullptr) *reinstall = 0;
    return false;
  }
  if (existence == kExistenceMustRun || (InstallerSection.dwFlags & kForceRun) != 0) skipIfInstalled = false;
  LogMessage(this, "DoWeAllowInstallerToRun - Skip if installed? %d.", skipIfInstalled ? 1 : 0);

  int installed = IsMsiProductInstalled(outputFile);
  LogMessage(this, "DoWeAllowInstallerToRun - IsMsiProductInstalled result: %d", installed);
  bool run = true;
  if (installed == kProductSameInstalled || installed == kProductNewerInstalled) {
    if (skipIfInstalled) {
      LogMessage(this, "DoWeAllowInstallerToRun - Skipping this installer because of version.");
      run = false;
    } else {
      LogMessage(this, "DoWeAllowInstallerToRun - Installer is the same or newer but bypassing the skip.");
      if (existence == kExistenceMustRun) reinstallFlag = 1;
    }
  } else if (installed == kProductOlderInstalled) {
    reinstallFlag = 1;
  }
  if (reinstall != nullptr) *reinstall = reinstallFlag;
  return run;
}

DWORD Bootstrapper::Run(const char* file, const char* arguments, LONG toneSeconds, int showCommand) {
  if (file == nullptr || file[0] == '\0') return kExitNotRun;
  if (arguments == nullptr) arguments = "";
  LogMessage(this, "Run - Launching file \"%s\" with arguments \"%s\".", file, arguments);

  // The waiting tone tells a user who cannot see the screen that the installer is still busy.
  const bool tone = toneSeconds > 0 && m_hLanguageModule != nullptr;
  auto playTone = [this]() {
    PlaySoundA(MAKEINTRESOURCEA(IDR_WAIT_TONE), m_hLanguageModule, SND_RESOURCE | SND_ASYNC);
  };
  if (tone) playTone();

  // A program named without a folder comes from the system folder, never from the package's
  // folder, the current folder or the search path.
  char program[MAX_PATH] = {};
  if (!SystemProgramPath(file, program, sizeof(program))) CopyCut(program, file);
  if (strcmp(program, file) != 0) LogMessage(this, "Run - Starting the program from the system folder: %s.", program);

  SHELLEXECUTEINFOA launch = {};
  launch.cbSize = sizeof(launch);
  launch.fMask = SEE_MASK_NOCLOSEPROCESS;
  // Silent mode shows no message box: not even the shell's own about a file it cannot start.
  if (m_bSilent) launch.fMask |= SEE_MASK_FLAG_NO_UI;
  launch.lpVerb = "open";
  launch.lpFile = program;
  launch.lpParameters = arguments;
  launch.nShow = showCommand;
  if (!ShellExecuteExA(&launch)) {
    DWORD lastError = GetLastError();
    // A refused launch is a failure: the exit-code rules and the package's own exit code must
    // not take it for an installer that succeeded.
    DWORD error = LaunchError(launch.hInstApp, lastError);
    LogMessage(this, "Run - The shell could not launch the file: error %lu.", error);
    return error;
  }
  // Without a process the outcome of the installer cannot be known.
  if (launch.hProcess == nullptr) {
    LogMessage(this, "Run - The launch gave no process to wait for; the run ends with error %lu.",
               kExitNoInstallerProcess);
    return kExitNoInstallerProcess;
  }
  KernelHandle process(launch.hProcess);

  DWORD slice = INFINITE;
  if (tone) {
    ULONGLONG ms = static_cast<ULONGLONG>(toneSeconds) * 1000;
    slice = ms < INFINITE ? static_cast<DWORD>(ms) : INFINITE - 1;
  }
  DWORD exitCode = 0;
  for (;;) {
    DWORD waited = WaitForSingleObject(process.get(), slice);
    if (waited == WAIT_TIMEOUT) {
      playTone();
      continue;
    }
    if (waited != WAIT_OBJECT_0) {
      DWORD error = GetLastError();
      if (error == ERROR_SUCCESS) error = ERROR_INVALID_HANDLE;
      LogMessage(this, "Run - Waiting for the process failed: error %lu.", error);
      return error;
    }
    LogMessage(this, "Run - Process returned.");
    if (!GetExitCodeProcess(process.get(), &exitCode)) {
      DWORD error = GetLastError();
      LogMessage(this, "Run - The exit code could not be read: error %lu.", error);
      return error;
    }
    break;
  }
  LogMessage(this, "Run - Exit code: %lu.", exitCode);
  return exitCode;
}
