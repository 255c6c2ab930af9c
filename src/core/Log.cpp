// The log file: opened once, through its folders held from their root (made where they are
// missing) and never through a link, and kept for the whole run. Every line is appended and
// written through, so that the file on disk is complete up to the last call at every moment.
#include <shlwapi.h>

#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/PathText.h"
#include "trust/HeldPath.h"

namespace {

// Appending only: every line lands at the end, whoever else appends.
constexpr DWORD kLogAccess = FILE_APPEND_DATA;
// Others may read the log, and another package given the same /Log may append its lines.
constexpr DWORD kLogShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
// How many numbered names a log refused as it stands may move to.
constexpr unsigned kNumberedNames = 99;

}  // namespace

DWORD WriteLogLine(HANDLE file, const char* format, va_list args) {
  if (format == nullptr || format[0] == '\0') return 0;
  char message[1000] = {};
  wvnsprintfA(message, 999, format, args);
  message[998] = '\0';

  SYSTEMTIME now;
  GetLocalTime(&now);
  char line[4096] = {};
  wnsprintfA(line, 4095, "%d/%d/%d - %d:%d:%d:%d - %s \r\n", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond, now.wMilliseconds, message);

  DWORD written = 0;
  if (WriteFile(file, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr)) return 0;
  DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

DWORD Bootstrapper::OpenLog() {
  m_LogFile.reset();
  char folder[260] = {};
  char name[260] = {};
  if (!SplitFolderAndName(m_szLogFilePath, folder, sizeof(folder), name, sizeof(name))) return ERROR_BAD_PATHNAME;
  HeldPath held;
  if (DWORD error = held.Hold(folder, true)) return error;
  DWORD error = ERROR_FILE_EXISTS;
  // A file that another program makes or removes between the two calls is met by the next try.
  for (int attempt = 0; attempt < 2 && error == ERROR_FILE_EXISTS; attempt++) {
    error = held.OpenExisting(name, kLogAccess, kLogShare, true, m_LogFile, FILE_WRITE_THROUGH);
    if (error == ERROR_FILE_NOT_FOUND) error = held.CreateNew(name, kLogAccess, kLogShare, FILE_WRITE_THROUGH, m_LogFile);
  }
  if (RefusalText(error) == nullptr) return error;

  // A file this run must not append to: a new one beside it, whose first lines say why.
  m_dwLogRefusal = error;
  CopyCut(m_szLogRefusedPath, m_szLogFilePath);
  for (unsigned n = 1; n <= kNumberedNames; n++) {
    char numbered[260] = {};
    if (!NumberedFileName(name, n, numbered, sizeof(numbered))) return ERROR_FILENAME_EXCED_RANGE;
    error = held.CreateNew(numbered, kLogAccess, kLogShare, FILE_WRITE_THROUGH, m_LogFile);
    if (error == ERROR_FILE_EXISTS) continue;
    char numberedPath[260] = {};
    if (error == ERROR_SUCCESS && !JoinFolderAndName(folder, numbered, numberedPath, sizeof(numberedPath)))
      error = ERROR_FILENAME_EXCED_RANGE;
    if (error == ERROR_SUCCESS) CopyCut(m_szLogFilePath, numberedPath);
    break;
  }
  if (error != ERROR_SUCCESS) m_LogFile.reset();
  return error;
}

void LogMessage(Bootstrapper* bootstrapper, const char* format, ...) {
  if (bootstrapper == nullptr || format == nullptr || format[0] == '\0') return;
  BootstrapperCommandLine* commandLine = bootstrapper->m_pCommandLine.get();
  if (commandLine == nullptr || !commandLine->Has(kOptLog)) return;
  // A log that cannot be opened stays off for the rest of the run; the install goes on.
  if (!bootstrapper->m_LogFile && bootstrapper->OpenLog() != ERROR_SUCCESS) {
    commandLine->m_dwFlags &= ~static_cast<uint32_t>(kOptLog);
    return;
  }
  va_list args;
  va_start(args, format);
  WriteLogLine(bootstrapper->m_LogFile.get(), format, args);  // a failed write loses that line only
  va_end(args);
}
