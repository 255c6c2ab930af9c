// The one way an embedded file reaches the disk: a resource written straight from the module's
// mapped resource memory, a bounded piece at a time. Into the run's working folder, the file is
// new and held unchanged (settings/WorkFolderFiles.cpp); to a file the user named
// (/ExtractSettings), it is written as asked.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "settings/WorkFolderFiles.h"

namespace {

// Shows the wait cursor for the length of a scope and puts the previous one back on every way out.
class WaitCursor {
 public:
  WaitCursor() : m_previous(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
  ~WaitCursor() {
    if (m_previous != nullptr) SetCursor(m_previous);
  }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR m_previous;
};

bool IsEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

// A new file where there is none: a truncated one makes some file systems (ext4 under Wine) write
// the whole file out when it is closed, which costs as much again when it is deleted.
HANDLE CreateForWriting(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  return CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The bytes of a resource in the module's mapped memory, with the log line of what failed.
DWORD FindResourceBytes(Bootstrapper* bootstrapper, HMODULE module, const char* type, const char* name,
                        const BYTE*& bytes, DWORD& size) {
  SetLastError(ERROR_SUCCESS);
  HRSRC found = FindResourceA(module, name, type);
  if (found == nullptr) {
    DWORD error = ErrorOr(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    LogMessage(bootstrapper, "ExtractResource - Failed to find the resource. Error: %lu", error);
    return error;
  }
  SetLastError(ERROR_SUCCESS);
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) {
    DWORD error = ErrorOr(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
    LogMessage(bootstrapper, "ExtractResource - Failed to load the resource. Error: %lu", error);
    return error;
  }
  SetLastError(ERROR_SUCCESS);
  bytes = static_cast<const BYTE*>(LockResource(loaded));
  size = SizeofResource(module, found);
  if (size == 0 || bytes == nullptr) {
    DWORD error = ErrorOr(GetLastError(), ERROR_INVALID_DATA);
    LogMessage(bootstrapper, "ExtractResource - Failed to get resource size. Error: %lu", error);
    return error;
  }
  return ERROR_SUCCESS;
}

}  // namespace

DWORD Bootstrapper::ExtractResource(HMODULE module, const char* type, const char* name, const char* outputPath) {
  if (IsEmpty(type) || IsEmpty(name) || IsEmpty(outputPath)) return ERROR_INVALID_DATA;

  WaitCursor waitCursor;
  LogMessage(this, "ExtractResource - Extracting the resource \"%s\" of type \"%s\" to the output file \"%s\".", name,
             type, outputPath);
  const BYTE* bytes = nullptr;
  DWORD size = 0;
  if (DWORD error = FindResourceBytes(this, module, type, name, bytes, size)) return error;

  FileHandle output(CreateForWriting(outputPath));
  if (!output) {
    DWORD error = ErrorOr(GetLastError(), ERROR_OPEN_FAILED);
    LogMessage(this, "ExtractResource - Failed to create the resource output file. Error: %lu", error);
    return error;
  }
  DWORD writeError = WriteAll(output.get(), bytes, size);
  output.reset();
  if (writeError != ERROR_SUCCESS) {
    DeleteFileA(outputPath);  // no cut-off file is left to pass for the whole one
    LogMessage(this, "ExtractResource - Failed to write to the resource output file. Error: %lu", writeError);
    LogMessage(this, "ExtractResource - Resource output file: %s.", outputPath);
    return writeError;
  }
  return ERROR_SUCCESS;
}

DWORD Bootstrapper::ExtractToWorkFolder(HMODULE module, const char* type, const char* name, const char* fileName,
                                        char (&path)[260], FileHandle& held) {
  held.reset();
  path[0] = '\0';
  if (IsEmpty(type) || IsEmpty(name) || IsEmpty(fileName)) return ERROR_INVALID_DATA;

  WaitCursor waitCursor;
  char outputPath[260] = {};
  FormatCut(outputPath, "%s%s", m_szTempFolder, fileName);
  LogMessage(this, "ExtractResource - Extracting the resource \"%s\" of type \"%s\" to the output file \"%s\".", name,
             type, outputPath);
  const BYTE* bytes = nullptr;
  DWORD size = 0;
  if (DWORD error = FindResourceBytes(this, module, type, name, bytes, size)) return error;
  return PlaceInWorkFolder(fileName, bytes, size, path, held);
}
