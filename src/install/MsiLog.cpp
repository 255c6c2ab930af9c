// The verbose log of a Windows Installer run, beside the package's own log. msiexec opens its
// log by path, so it never writes where others can write: it logs into the run's working folder,
// and the engine carries what it wrote across, as it grows and once more when msiexec has ended,
// into a file of the log's folder that it opened through that folder held from its root, by the
// rules of the package log (made new, or appended to when it has one name and a trusted owner).
// A run that a deployment tool kills, or a restart that msiexec starts itself, still leaves the
// log up to its last seconds.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/PathText.h"
#include "trust/InstallerFileName.h"

namespace {

constexpr DWORD kMsiLogShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr unsigned kNumberedNames = 99;
constexpr DWORD kCopyPiece = 16 * 1024;

}  // namespace

DWORD Bootstrapper::PrepareMsiLog(char (&workPath)[260]) {
  ReleaseMsiLog();
  workPath[0] = '\0';
  char folder[260] = {};
  char packageLog[260] = {};
  if (!SplitFolderAndName(m_szLogFilePath, folder, sizeof(folder), packageLog, sizeof(packageLog)))
    return ERROR_BAD_PATHNAME;
  // Never the package log's own name: its lines and msiexec's would mix.
  char plain[260] = {};
  FormatCut(plain, "%s.log", InstallerSection.Name);
  char name[260] = {};
  FormatCut(name, lstrcmpiA(plain, packageLog) == 0 ? "%s.msi.log" : "%s.log", InstallerSection.Name);
  if (!IsPlainFileName(name)) return ERROR_INVALID_NAME;
  if (!m_WorkFolderHold) return ERROR_PATH_NOT_FOUND;
  if (DWORD error = m_MsiLogFolder.Hold(folder)) return error;

  FileHandle file;
  DWORD error = m_MsiLogFolder.OpenExisting(name, FILE_APPEND_DATA, kMsiLogShare, true, file);
  if (error == ERROR_FILE_NOT_FOUND) error = m_MsiLogFolder.CreateNew(name, FILE_APPEND_DATA, kMsiLogShare, 0, file);
  // One that is there and must not be written through, or cannot be: a new one under a numbered name.
  bool again = error != ERROR_SUCCESS;
  for (unsigned n = 1; again && n <= kNumberedNames && NumberedFileName(plain, n, name, sizeof(name)); n++) {
    error = m_MsiLogFolder.CreateNew(name, FILE_APPEND_DATA, kMsiLogShare, 0, file);
    again = error == ERROR_FILE_EXISTS;
  }
  if (error == ERROR_SUCCESS && (!JoinFolderAndName(folder, name, m_szMsiLogPath, sizeof(m_szMsiLogPath)) ||
                                 FormatCut(workPath, "%s%s", m_szTempFolder, name) >= sizeof(workPath) - 1))
    error = ERROR_FILENAME_EXCED_RANGE;
  if (error != ERROR_SUCCESS) {
    workPath[0] = '\0';
    ReleaseMsiLog();
    return error;
  }
  // A log of this installer's run before (a reinstall) is not copied twice.
  DeleteFileA(workPath);
  CopyCut(m_szMsiLogWork, workPath);
  m_MsiLogFile = std::move(file);
  m_llMsiLogCopied = 0;
  return ERROR_SUCCESS;
}

void Bootstrapper::CopyMsiLog() {
  if (!m_MsiLogFile) return;
  // Not made yet, or held by a msiexec that shares it with nobody while it writes (Wine's): the
  // next copy, or the last one, takes it.
  FileHandle source(CreateFileA(m_szMsiLogWork, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size = {};
  if (!source || !GetFileSizeEx(source.get(), &size)) return;
  if (size.QuadPart < m_llMsiLogCopied) m_llMsiLogCopied = 0;  // msiexec began it again
  LARGE_INTEGER at = {};
  at.QuadPart = m_llMsiLogCopied;
  if (!SetFilePointerEx(source.get(), at, nullptr, FILE_BEGIN)) return;
  BYTE piece[kCopyPiece];
  for (;;) {
    DWORD read = 0, written = 0;
    if (!ReadFile(source.get(), piece, sizeof(piece), &read, nullptr) || read == 0) return;
    if (!WriteFile(m_MsiLogFile.get(), piece, read, &written, nullptr) || written != read) return;
    m_llMsiLogCopied += read;
  }
}

void Bootstrapper::ReleaseMsiLog() {
  m_MsiLogFolder.Release();
  if (!m_MsiLogFile) return;
  CopyMsiLog();
  m_MsiLogFile.reset();
  LogMessage(this, "RunInstaller - The Windows Installer log went to %s (%lu bytes).", m_szMsiLogPath,
             static_cast<DWORD>(m_llMsiLogCopied));
  DeleteFileA(m_szMsiLogWork);
}
