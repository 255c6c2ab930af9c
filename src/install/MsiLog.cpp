// The verbose log of a Windows Installer run, beside the package's own log. msiexec opens it by
// its path, so the engine makes or checks the file first and holds its folders, without delete
// sharing, until msiexec has ended: nobody can put a link in place of one of them meanwhile.
// (The file itself is not held: Wine's msiexec opens its log sharing nothing, and an open handle,
// even one for its attributes alone, would keep it from logging.)
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/PathText.h"
#include "trust/InstallerFileName.h"

namespace {

constexpr DWORD kMsiLogShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr unsigned kNumberedNames = 99;

}  // namespace

DWORD Bootstrapper::PrepareMsiLog(char (&path)[260]) {
  ReleaseMsiLog();
  path[0] = '\0';
  char folder[260] = {};
  char packageLog[260] = {};
  if (!SplitFolderAndName(m_szLogFilePath, folder, sizeof(folder), packageLog, sizeof(packageLog)))
    return ERROR_BAD_PATHNAME;
  // Never the package log's own name: msiexec would write over every line of it.
  char plain[260] = {};
  FormatCut(plain, "%s.log", InstallerSection.Name);
  char name[260] = {};
  FormatCut(name, lstrcmpiA(plain, packageLog) == 0 ? "%s.msi.log" : "%s.log", InstallerSection.Name);
  if (!IsPlainFileName(name)) return ERROR_INVALID_NAME;
  if (DWORD error = m_MsiLogFolder.Hold(folder)) return error;

  FileHandle file;
  DWORD error = m_MsiLogFolder.OpenExisting(name, 0, kMsiLogShare, true, file);
  if (error == ERROR_FILE_NOT_FOUND) error = m_MsiLogFolder.CreateNew(name, 0, kMsiLogShare, 0, file);
  // One that is there and must not be written through, or cannot be: a new one under a numbered name.
  bool again = error != ERROR_SUCCESS;
  for (unsigned n = 1; again && n <= kNumberedNames && NumberedFileName(plain, n, name, sizeof(name)); n++) {
    error = m_MsiLogFolder.CreateNew(name, 0, kMsiLogShare, 0, file);
    again = error == ERROR_FILE_EXISTS;
  }
  if (error == ERROR_SUCCESS && !JoinFolderAndName(folder, name, path, sizeof(path))) error = ERROR_FILENAME_EXCED_RANGE;
  if (error != ERROR_SUCCESS) {
    path[0] = '\0';
    ReleaseMsiLog();
  }
  return error;
}

void Bootstrapper::ReleaseMsiLog() { m_MsiLogFolder.Release(); }
