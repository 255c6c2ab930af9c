// What the run trusts of the place the package was started from: its folder, resolved once and
// held from its root for the run, so that a link above it that is re-pointed later changes
// nothing; an installer beside it, held, checked and judged before it runs; and, in an elevated
// run, whether the package that a restart would start again is one that no other account can
// change.
#include "core/AnsiPath.h"
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/PathText.h"
#include "trust/FileHash.h"
#include "trust/InstallerFileName.h"
#include "trust/OthersMayChange.h"
#include "trust/ReparseTags.h"
#include "trust/Token.h"

DWORD Bootstrapper::HoldPackageFolder() {
  if (m_PackageFolder.held()) return ERROR_SUCCESS;
  DWORD error = m_PackageFolder.HoldResolved(m_szSourceDir);
  if (error != ERROR_SUCCESS) {
    LogMessage(this, "HoldPackageFolder - Could not hold the package's folder %s. Error: %lu.", m_szSourceDir, error);
    return error;
  }
  CopyCut(m_szPackageFolder, m_PackageFolder.folder());
  if (lstrcmpiA(m_szPackageFolder, m_szSourceDir) != 0)
    LogMessage(this, "HoldPackageFolder - The package's folder %s leads to %s; the run uses that folder.", m_szSourceDir,
               m_szPackageFolder);
  return ERROR_SUCCESS;
}

bool Bootstrapper::PackageMayResume(char (&path)[260]) {
  if (!RunsElevated()) return true;
  wchar_t module[MAX_PATH] = {};
  char package[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  HeldPath folders;
  FileHandle file;
  char name[MAX_PATH] = {};
  DWORD error = length == 0 || length >= MAX_PATH || ToAnsiPath(module, package, MAX_PATH) == AnsiPathForm::kUnspellable
                    ? ERROR_BAD_PATHNAME
                    : folders.OpenResolved(package, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           file, name);
  ChangeVerdict verdict;
  if (error == ERROR_SUCCESS) verdict = JudgeHeldFile(folders, file.get(), name);
  if (error != ERROR_SUCCESS || !verdict.who.empty()) {
    if (error != ERROR_SUCCESS)
      LogMessage(this, "AddToRunOnce - The package %s could not be held to judge it. Error: %lu.", package, error);
    else
      LogMessage(this, "AddToRunOnce - %s can change %s, and so the package %s that a RunOnce entry would start.",
                 verdict.who.c_str(), verdict.where.c_str(), package);
    LogMessage(this, "AddToRunOnce - No RunOnce entry is written: nothing resumes after a restart, and the user is told "
               "to start the package again after it.");
    CopyCut(m_szNotResumed, package);
    return false;
  }
  if (!verdict.judged)
    LogMessage(this, "AddToRunOnce - The volume of %s keeps no access lists; who else can change the package could not "
               "be judged.", package);
  if (!JoinFolderAndName(folders.folder(), name, path, sizeof(path))) CopyCut(path, package);
  return true;
}

DWORD Bootstrapper::OpenBesidePackage(const char* section, const char* fileName, const char* resourceName,
                                      HeldPath& folders, FileHandle& file, char (&path)[260]) {
  if (DWORD error = HoldPackageFolder()) return error;
  char folder[260] = {};
  char name[260] = {};
  if (!ResolveBesidePath(m_szPackageFolder, fileName, path) ||
      !SplitFolderAndName(path, folder, sizeof(folder), name, sizeof(name))) {
    LogMessage(this, "RunInstaller - The path of the installer file %s is too long or climbs above its root; the "
               "section is refused.", fileName);
    ShowError<IDS_OUTPUT_FILE_UNKNOWN>(this, section);
    return kExitNotRun;
  }
  // From the root down, beside the package or outside it; no link on the way.
  DWORD error = folders.Hold(folder);
  if (error == ERROR_SUCCESS) error = folders.OpenExisting(name, GENERIC_READ, FILE_SHARE_READ, false, file);
  DWORD tag = 0;
  if (error == ERROR_SUCCESS) error = CheckRunnableFile(file.get(), tag);
  if (error == kErrorLinkOnPath) {
    LogMessage(this, "RunInstaller - The installer file %s is refused: %s is a link (a junction or a symbolic link).",
               path, folders.link());
    return kExitNotRun;
  }
  if (error == kErrorReparseTag) {
    LogMessage(this, "RunInstaller - The installer file %s is refused: it is %s (reparse tag 0x%08lX), which Windows "
               "would start in place of its own bytes.", path, ReparseTagText(tag), tag);
    return kExitNotRun;
  }
  if (error != ERROR_SUCCESS) {
    LogMessage(this, "RunInstaller - Could not open the installer file %s beside the package. Error: %lu.", path, error);
    return error;
  }
  switch (CheckRecordedHash(resourceName, file.get(), error)) {
    case RecordedHash::kMatches:
      LogMessage(this, "RunInstaller - The installer file %s is the one the package was built with.", path);
      break;
    case RecordedHash::kNotRecorded:
      LogMessage(this, "RunInstaller - The package recorded no hash of %s; it runs unverified.", path);
      break;
    case RecordedHash::kDiffers:
      LogMessage(this, "RunInstaller - The installer file %s is not the one the package was built with; the section %s "
                 "is refused.", path, section);
      ShowError<IDS_INSTALLER_CHANGED>(this, section);
      return kExitNotRun;
    case RecordedHash::kUnreadable:
      LogMessage(this, "RunInstaller - The installer file %s could not be read to check it. Error: %lu.", path, error);
      return error;
  }
  // Elevated, a file and a folder that another account can change are its, whatever the hash
  // said: the installer loads DLLs from its folder.
  if (RunsElevated()) {
    ChangeVerdict verdict = JudgeHeldFile(folders, file.get(), name);
    if (!verdict.judged)
      LogMessage(this, "RunInstaller - The volume of %s keeps no access lists; who else can change it could not be "
                 "judged.", path);
    if (!verdict.who.empty()) {
      LogMessage(this, "RunInstaller - %s can change %s, and so the installer file %s; the section %s is refused.",
                 verdict.who.c_str(), verdict.where.c_str(), path, section);
      ShowError<IDS_INSTALLER_CHANGEABLE>(this, path, verdict.who.c_str());
      return kExitNotRun;
    }
  }
  char resolved[MAX_PATH] = {};
  error = PathOfHandle(file.get(), resolved);
  if (error != ERROR_SUCCESS) {
    LogMessage(this, "RunInstaller - The installer file %s resolves to a path that cannot be passed on to it. Error: %lu.",
               path, error);
    return kExitNotRun;
  }
  CopyCut(path, resolved);
  return ERROR_SUCCESS;
}
