// The one way an embedded file reaches the disk: a resource written straight from the module's
// mapped resource memory, a bounded piece at a time. Into the run's working folder, the file is
// new and held unchanged (trust/WorkFolderFiles.cpp); to a file the user named
// (/ExtractSettings), it is written new beside that name, through the folder held from its root,
// and then moved over the name. A file of a package that records checksums is checked against
// its own as it is written (settings/ChecksumTable.h): a damaged download is caught before any
// of it runs.
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "core/PathText.h"
#include "core/Trace.h"
#include "settings/ChecksumTable.h"
#include "trust/HeldPath.h"
#include "trust/WorkFolder.h"
#include "trust/WorkFolderFiles.h"

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

constexpr int kPartialAttempts = 4;

// A new file beside `name` in the held folder, under a name nobody can foresee, which nobody else
// may open while it is written.
DWORD CreatePartial(const HeldPath& folder, const char* name, FileHandle& file) {
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < kPartialAttempts && error == ERROR_FILE_EXISTS; attempt++) {
    DWORD random = 0;
    if (!GenerateRandom(reinterpret_cast<BYTE*>(&random), sizeof(random))) return ErrorOr(GetLastError(), ERROR_GEN_FAILURE);
    char partial[MAX_PATH] = {};
    FormatCut(partial, "%s.%08lx.partial", name, random);
    error = folder.CreateNew(partial, GENERIC_WRITE | DELETE, 0, 0, file);
  }
  return error;
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

// Whether the package records a checksum of these bytes of the executable, and which. A module
// other than the executable (the bare engine, or a language DLL) records none.
enum class Recorded { kNone, kChecksum, kDamaged };

Recorded ChecksumOf(Bootstrapper* bootstrapper, HMODULE module, const char* name, const BYTE* bytes, DWORD size,
                    uint32_t& crc) {
  const HMODULE image = GetModuleHandleA(nullptr);
  if (module != nullptr && module != image) return Recorded::kNone;
  HRSRC found = FindResourceA(nullptr, kChecksumResource, kChecksumResourceType);
  HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
  const BYTE* table = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (table == nullptr) return Recorded::kNone;
  const auto address = static_cast<uint32_t>(bytes - reinterpret_cast<const BYTE*>(image));
  switch (FindRecordedChecksum(table, SizeofResource(nullptr, found), address, size, crc)) {
    case ChecksumLookup::kFound:
      return Recorded::kChecksum;
    case ChecksumLookup::kNotRecorded:
      LogMessage(bootstrapper, "ExtractResource - The package is damaged: it records no checksum of the resource "
                 "\"%s\" as it lies now.", name);
      break;
    case ChecksumLookup::kTableDamaged:
      LogMessage(bootstrapper,
                 "ExtractResource - The package is damaged: its table of checksums is cut short or changed.");
      break;
  }
  return Recorded::kDamaged;
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
  uint32_t recorded = 0;
  const Recorded checked = ChecksumOf(this, module, name, bytes, size, recorded);
  if (checked == Recorded::kDamaged) return ERROR_CRC;

  // A link on the way is refused; one at the name itself is replaced by the move, never followed.
  char folder[MAX_PATH] = {};
  char fileName[MAX_PATH] = {};
  HeldPath held;
  FileHandle output;
  DWORD error = SplitFolderAndName(outputPath, folder, sizeof(folder), fileName, sizeof(fileName))
                    ? held.Hold(folder)
                    : ERROR_BAD_PATHNAME;
  if (error == kErrorLinkOnPath)
    LogMessage(this, "ExtractResource - %s is a link (a junction or a symbolic link); nothing is written through it.",
               held.link());
  if (error == ERROR_SUCCESS) error = CreatePartial(held, fileName, output);
  if (error != ERROR_SUCCESS) {
    LogMessage(this, "ExtractResource - Failed to create the resource output file. Error: %lu", error);
    return error;
  }
  uint32_t crc = 0;
  DWORD writeError = WriteAll(output.get(), bytes, size, checked == Recorded::kChecksum ? &crc : nullptr);
  if (writeError == ERROR_SUCCESS && checked == Recorded::kChecksum && crc != recorded) {
    LogMessage(this, "ExtractResource - The bytes of the resource are damaged: their CRC-32C is %08lX, and the package "
               "recorded %08lX.", static_cast<unsigned long>(crc), static_cast<unsigned long>(recorded));
    writeError = ERROR_CRC;
  }
  if (writeError == ERROR_SUCCESS) writeError = held.MoveOver(output.get(), fileName);
  if (writeError != ERROR_SUCCESS) {
    DeleteThroughHandle(output.get());  // only the file this run made; no cut-off file passes for the whole one
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
  uint32_t recorded = 0;
  const Recorded checked = ChecksumOf(this, module, name, bytes, size, recorded);
  if (checked == Recorded::kDamaged) return ERROR_CRC;
  TraceMark("find", fileName);
  return PlaceInWorkFolder(fileName, bytes, size, path, held, checked == Recorded::kChecksum ? &recorded : nullptr);
}
