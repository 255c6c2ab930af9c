// The one way an embedded file reaches the disk: a resource written straight from the module's
// mapped resource memory, a bounded piece at a time.
#include "core/Bootstrapper.h"
#include "core/HandleOwner.h"
#include "settings/Leftovers.h"

namespace {

// One write of a payload of hundreds of megabytes can fail for want of system resources (a network
// folder, a small working-set quota); pieces of this size do not, and the pages already written
// can leave the working set.
constexpr DWORD kWriteChunk = 1 << 20;

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

// A failing call that leaves no error must still fail the extraction.
DWORD ErrorOr(DWORD error, DWORD fallback) { return error != ERROR_SUCCESS ? error : fallback; }

}  // namespace

DWORD Bootstrapper::ExtractResource(HMODULE module, const char* type, const char* name, const char* outputPath) {
  if (IsEmpty(type) || IsEmpty(name) || IsEmpty(outputPath)) return ERROR_INVALID_DATA;

  WaitCursor waitCursor;
  LogMessage(this, "ExtractResource - Extracting the resource \"%s\" of type \"%s\" to the output file \"%s\".", name,
             type, outputPath);

  SetLastError(ERROR_SUCCESS);
  HRSRC found = FindResourceA(module, name, type);
  if (found == nullptr) {
    DWORD error = ErrorOr(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    LogMessage(this, "ExtractResource - Failed to find the resource. Error: %lu", error);
    return error;
  }

  SetLastError(ERROR_SUCCESS);
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) {
    DWORD error = ErrorOr(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
    LogMessage(this, "ExtractResource - Failed to load the resource. Error: %lu", error);
    return error;
  }

  SetLastError(ERROR_SUCCESS);
  const void* bytes = LockResource(loaded);
  DWORD size = SizeofResource(module, found);
  if (size == 0 || bytes == nullptr) {
    DWORD error = ErrorOr(GetLastError(), ERROR_INVALID_DATA);
    LogMessage(this, "ExtractResource - Failed to get resource size. Error: %lu", error);
    return error;
  }

  FileHandle output(CreateReplacingFile(this, outputPath));
  if (!output) {
    DWORD error = ErrorOr(GetLastError(), ERROR_OPEN_FAILED);
    LogMessage(this, "ExtractResource - Failed to create the resource output file. Error: %lu", error);
    return error;
  }

  DWORD writeError = ERROR_SUCCESS;
  for (DWORD done = 0; done < size && writeError == ERROR_SUCCESS;) {
    const char* piece = static_cast<const char*>(bytes) + done;
    DWORD want = size - done < kWriteChunk ? size - done : kWriteChunk;
    DWORD written = 0;
    BOOL wrote = WriteFile(output.get(), piece, want, &written, nullptr);
    DWORD error = GetLastError();
    // A short write without an error would leave a cut installer that reads as extracted.
    if (!wrote || written != want) writeError = wrote ? ERROR_WRITE_FAULT : ErrorOr(error, ERROR_WRITE_FAULT);
    VirtualUnlock(const_cast<char*>(piece), want);  // Windows then drops the pages from the working set
    done += written;
  }
  output.reset();
  if (writeError != ERROR_SUCCESS) {
    LogMessage(this, "ExtractResource - Failed to write to the resource output file. Error: %lu", writeError);
    return writeError;
  }

  if (GetFileAttributesA(outputPath) == INVALID_FILE_ATTRIBUTES) {
    LogMessage(this, "ExtractResource - Resource output file not found. Unsuccessful resource extraction.");
    return ERROR_FILE_NOT_FOUND;
  }
  return ERROR_SUCCESS;
}
