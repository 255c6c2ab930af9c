// Running one installer: its section, its file on disk, the skip decision, its command line,
// the launch with its folder as current folder, the wait, and the clean-up.
#include "core/Bootstrapper.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstring>

#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "core/PathText.h"
#include "core/SystemFolder.h"
#include "core/Trace.h"
#include "install/InstallerResource.h"
#include "install/MsiSwitch.h"
#include "settings/ExistenceVotes.h"
#include "trust/InstallerFileName.h"
#include "trust/WorkFolderFiles.h"

namespace {

// How often the Windows Installer log is copied while msiexec runs.
constexpr DWORD kMsiLogCopyMs = 2000;

// The installer's file, held without write or delete sharing from the moment it is written (or,
// beside the package, found) until the installer has ended; an extracted one is then deleted.
// A file that cannot go (a child of the installer still runs from it) is logged; the working
// folder then stays for a later run to remove.
class HeldInstaller {
 public:
  explicit HeldInstaller(Bootstrapper* bootstrapper) : m_bootstrapper(bootstrapper) {}
  ~HeldInstaller() {
    held.reset();
    bool deleted = m_extracted == nullptr || DeleteFileA(m_extracted);
    TraceMark("installer: delete");
    if (deleted) return;
    DWORD error = GetLastError();
    LogMessage(m_bootstrapper, "RunInstaller - Could not delete the installer file %s. Error: %lu.", m_extracted, error);
  }
  HeldInstaller(const HeldInstaller&) = delete;
  HeldInstaller& operator=(const HeldInstaller&) = delete;
  void DeleteAtEnd(const char* path) { m_extracted = path; }
  // Beside the package, the folders on its path are held from their root as well, so that the
  // path the launch resolves is the one that was checked.
  HeldPath folders;
  FileHandle held;

 private:
  Bootstrapper* m_bootstrapper;
  const char* m_extracted = nullptr;
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

const char kCompatibilityKey[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Persisted";

// Marks the installer as known to the program-compatibility assistant, which would otherwise
// ask after an installer without a manifest whether it installed correctly. True when this call
// made the value: a value that was there before is not this run's to remove.
bool MarkProgramCompatibility(const char* file) {
  RegKey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kCompatibilityKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS)
    return false;
  bool existed = RegQueryValueExA(key.get(), file, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  DWORD one = 1;
  LONG set = RegSetValueExA(key.get(), file, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
  RegFlushKey(key.get());
  return set == ERROR_SUCCESS && !existed;
}

}  // namespace

DWORD Bootstrapper::RunInstaller(const char* section, BOOL mainInstaller) {
  m_bInstallerSkipped = FALSE;
  m_bInstallerNotRun = FALSE;
  m_bInstallerSectionUnread = FALSE;
  // Every way out before the launch is a failure of the installer, not an exit code of it.
  auto notRun = [this](DWORD code) {
    m_bInstallerNotRun = TRUE;
    return code;
  };
  if (section == nullptr || section[0] == '\0') return notRun(kExitNotRun);
  if (SetInstallerSection(section) != ERROR_SUCCESS) {
    LogMessage(this, "RunInstaller - Failed to read the installer-specific section in Settings.");
    m_bInstallerSectionUnread = TRUE;
    return notRun(kExitNotRun);
  }
  const bool extract = (InstallerSection.dwFlags & kDoNotExtract) == 0;
  TraceMark("installer: section read");

  char outputFile[260] = {};
  GetOutputFileName(outputFile, sizeof(outputFile));
  LogMessage(this, "RunInstaller - Output file name: %s.", outputFile);
  // The name comes from settings that anyone may have written: it must stay inside its folder.
  char fileName[kInstallerFileNameSize] = {};
  const InstallerFileRule rule = InstallerFileName(InstallerSection.File, InstallerSection.Arguments, !extract, fileName);
  if (rule != InstallerFileRule::kOk && rule != InstallerFileRule::kNoFile) {
    LogMessage(this, "RunInstaller - The installer file \"%s\" of %s is not %s; the section is refused.",
               fileName[0] != '\0' ? fileName : InstallerSection.File, section,
               rule == InstallerFileRule::kNotRunnable ? "a path to a file" : "a name inside its folder");
    ShowError<IDS_OUTPUT_FILE_UNKNOWN>(this, section);
    return notRun(kExitNotRun);
  }

  char resourceName[kResourceNameSize] = {};
  InstallerResourceName(InstallerSection.Name, resourceName);
  HeldInstaller installer(this);
  char runFolder[260] = {};
  CopyCut(runFolder, m_szSourceDir);
  if (extract) {
    DWORD result = ExtractToWorkFolder(nullptr, kInstallerResourceType, resourceName, fileName, outputFile, installer.held);
    if (result != ERROR_SUCCESS) {
      LogMessage(this, "RunInstaller - Failed to extract the installer.");
      if (IsDiskFull(result))
        ShowError<IDS_DISK_FULL>(this, SpaceToFree(m_szTempFolder).c_str());
      else if (result == ERROR_CRC)
        ShowError<IDS_INSTALLER_DAMAGED>(this, section);
      else
        ShowError<IDS_INSTALLER_EXTRACT_FAILED>(this, section);
      return notRun(kExitNotRun);
    }
    installer.DeleteAtEnd(outputFile);
    // It runs in the folder it was written to: msiexec finds a relative package name there,
    // wherever the package was started from (another folder, a shortcut, the resume after a restart).
    CopyCut(runFolder, outputFile);
    PathRemoveFileSpecA(runFolder);
  } else if (rule == InstallerFileRule::kOk) {
    DWORD error = OpenBesidePackage(section, fileName, resourceName, installer.folders, installer.held, outputFile);
    if (error != ERROR_SUCCESS) return notRun(error);
    // What runs is the file that was checked: by the path its handle resolves to now, in the
    // folder the package's handle resolves to; msiexec is given its package so too.
    CopyCut(runFolder, m_szPackageFolder);
    if (m_bMsiInstall) {
      char arguments[sizeof(InstallerSection.Arguments)] = {};
      if (!ReplaceMsiSwitchWord(InstallerSection.Arguments, outputFile, arguments, sizeof(arguments))) {
        LogMessage(this, "RunInstaller - There is no room for the path %s in the command line of %s; the installer is "
                   "not run.", outputFile, section);
        return notRun(kExitNotRun);
      }
      CopyCut(InstallerSection.Arguments, arguments);
    }
  } else if (HoldPackageFolder() == ERROR_SUCCESS) {
    CopyCut(runFolder, m_szPackageFolder);
  }

  int reinstall = 0;
  const bool allowed = DoWeAllowInstallerToRun(mainInstaller, outputFile, &reinstall);
  TraceMark("installer: skip rules");
  if (!allowed) {
    LogMessage(this, "RunInstaller - Skipping this installer.");
    m_bInstallerSkipped = TRUE;
    return ERROR_SUCCESS;
  }
  if (!AddToArguments(reinstall)) {
    LogMessage(this, "RunInstaller - The command line of %s is too long for what the engine adds; the installer is not run.",
               section);
    ReleaseMsiLog();
    return notRun(kExitNotRun);
  }

  char savedFolder[260] = {};
  GetCurrentDirectoryA(sizeof(savedFolder), savedFolder);
  LogMessage(this, "RunInstaller - Set current directory to %s.", runFolder);
  SetCurrentDirectoryA(runFolder);
  if (IsVistaOrLater() && (InstallerSection.dwFlags & kProgramCompatibility) != 0 &&
      MarkProgramCompatibility(outputFile))
    m_CompatibilityMarks.push_back(outputFile);

  // An installer is started by its full path: by its bare name the shell would look in the
  // package's own folder first and could start a file of the same name there (the package
  // itself, when both are called setup.exe). Through msiexec the program is msiexec itself, from
  // the system folder (Run), or the File as it names it.
  const char* launched = m_bMsiInstall ? InstallerSection.File : outputFile;
  DWORD exitCode = Run(launched, InstallerSection.Arguments, InstallerSection.PlayTone, SW_SHOW);
  ReleaseMsiLog();

  SetCurrentDirectoryA(savedFolder);
  LogMessage(this, "RunInstaller - Set current directory to %s.", savedFolder);
  return exitCode;
}

void Bootstrapper::RemoveCompatibilityMarks() {
  if (m_CompatibilityMarks.empty()) return;
  RegKey key;
  LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, kCompatibilityKey, 0, KEY_SET_VALUE, key.put());
  for (const std::string& mark : m_CompatibilityMarks) {
    LONG error = opened == ERROR_SUCCESS ? RegDeleteValueA(key.get(), mark.c_str()) : opened;
    if (error == ERROR_SUCCESS)
      LogMessage(this, "RemoveCompatibilityMarks - Removed the program-compatibility mark of %s.", mark.c_str());
    else if (error != ERROR_FILE_NOT_FOUND)
      LogMessage(this, "RemoveCompatibilityMarks - Could not remove the program-compatibility mark of %s. Error: %ld.",
                 mark.c_str(), error);
  }
  m_CompatibilityMarks.clear();
}

void Bootstrapper::GetOutputFileName(char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return;
  memset(buffer, 0, size);
  const bool extract = (InstallerSection.dwFlags & kDoNotExtract) == 0;
  // Beside the package, a path is resolved as Windows would resolve it from the package's folder.
  auto place = [&](const char* name) {
    char resolved[260] = {};
    if (!extract && ResolveBesidePath(m_szSourceDir, name, resolved))
      bounded::Copy(buffer, size, resolved);
    else
      bounded::Format(buffer, size, extract ? "%s%s" : "%s\\%s", extract ? m_szTempFolder : m_szSourceDir, name);
  };
  place(InstallerSection.File);

  m_bMsiInstall = TRUE;
  if (!IsMsiexecRun(InstallerSection.File)) {
    m_bMsiInstall = FALSE;
    return;
  }
  // Through msiexec the file to extract, or the product, is the word after the action switch.
  char word[260] = {};
  if (FindMSISetupFlag(InstallerSection.Arguments, word, sizeof(word)) && word[0] != '\0')
    place(word);
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
  // It has no words: the executable carries it once for every language.
  const bool tone = toneSeconds > 0 && FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_WAIT_TONE), kWaveResourceType) != nullptr;
  auto playTone = []() { PlaySoundA(MAKEINTRESOURCEA(IDR_WAIT_TONE), nullptr, SND_RESOURCE | SND_ASYNC); };
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
  const BOOL launched = ShellExecuteExA(&launch);
  TraceMark("installer: launch");
  if (!launched) {
    DWORD lastError = GetLastError();
    // A refused launch is a failure: the exit-code rules and the package's own exit code must
    // not take it for an installer that succeeded.
    DWORD error = LaunchError(launch.hInstApp, lastError);
    LogMessage(this, "Run - The shell could not launch the file: error %lu.", error);
    m_bInstallerNotRun = TRUE;
    return error;
  }
  // Without a process the outcome of the installer cannot be known.
  if (launch.hProcess == nullptr) {
    LogMessage(this, "Run - The launch gave no process to wait for; the run ends with error %lu.",
               kExitNoInstallerProcess);
    m_bInstallerNotRun = TRUE;
    return kExitNoInstallerProcess;
  }
  KernelHandle process(launch.hProcess);

  // The wait is cut into slices: for the tone, and for the Windows Installer log, which is copied
  // as it grows so that a run killed meanwhile still leaves it.
  const ULONGLONG toneMs = tone ? static_cast<ULONGLONG>(toneSeconds) * 1000 : 0;
  ULONGLONG toneDue = GetTickCount64() + toneMs;
  DWORD exitCode = 0;
  for (;;) {
    DWORD slice = m_MsiLogFile ? kMsiLogCopyMs : INFINITE;
    if (tone) {
      ULONGLONG now = GetTickCount64();
      ULONGLONG left = toneDue > now ? toneDue - now : 0;
      if (left < slice) slice = static_cast<DWORD>(left);
    }
    DWORD waited = WaitForSingleObject(process.get(), slice);
    if (waited == WAIT_TIMEOUT) {
      CopyMsiLog();
      if (tone && GetTickCount64() >= toneDue) {
        playTone();
        toneDue += toneMs;
      }
      continue;
    }
    if (waited != WAIT_OBJECT_0) {
      DWORD error = GetLastError();
      if (error == ERROR_SUCCESS) error = ERROR_INVALID_HANDLE;
      LogMessage(this, "Run - Waiting for the process failed: error %lu.", error);
      return error;
    }
    TraceMark("installer: wait (it runs)");
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
