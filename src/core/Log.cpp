// The log file: one time-stamped line per call, opened, appended, written through and closed
// every time, so that the file on disk is complete up to the last call at every moment.
#include <shlwapi.h>

#include "core/Bootstrapper.h"
#include "core/HandleOwner.h"

DWORD WriteLogLine(const char* path, const char* format, va_list args) {
  if (path == nullptr || path[0] == '\0' || format == nullptr || format[0] == '\0') return 0;
  FileHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
  if (!file) return GetLastError();

  char message[1000] = {};
  wvnsprintfA(message, 999, format, args);
  message[998] = '\0';

  SYSTEMTIME now;
  GetLocalTime(&now);
  char line[4096] = {};
  wnsprintfA(line, 4095, "%d/%d/%d - %d:%d:%d:%d - %s \r\n", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond, now.wMilliseconds, message);

  SetFilePointer(file.get(), 0, nullptr, FILE_END);
  DWORD written = 0;
  WriteFile(file.get(), line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
  return 0;
}

void LogMessage(Bootstrapper* bootstrapper, const char* format, ...) {
  if (bootstrapper == nullptr || format == nullptr || format[0] == '\0') return;
  BootstrapperCommandLine* commandLine = bootstrapper->m_pCommandLine.get();
  if (commandLine == nullptr || !commandLine->Has(kOptLog)) return;
  va_list args;
  va_start(args, format);
  DWORD result = WriteLogLine(bootstrapper->m_szLogFilePath, format, args);
  va_end(args);
  // A log that cannot be opened stays off for the rest of the run; the install goes on.
  if (result != 0) commandLine->m_dwFlags &= ~static_cast<uint32_t>(kOptLog);
}
