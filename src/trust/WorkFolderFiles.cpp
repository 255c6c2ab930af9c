#include "trust/WorkFolderFiles.h"

#include <cstring>
#include <memory>

#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "core/Trace.h"
#include "settings/Crc32c.h"
#include "trust/WorkFolder.h"
#include "trust/WorkFolderRules.h"

namespace {

// One write or read of hundreds of megabytes can fail for want of system resources (a network
// folder, a small working-set quota); pieces of this size do not, and the pages already done
// can leave the working set.
constexpr DWORD kChunk = 1 << 20;
// A view of the file for the comparison: a multiple of the allocation granularity, and small
// enough that a package of a gigabyte never maps much at once.
constexpr DWORD kViewSize = 16u << 20;
constexpr int kPlaceAttempts = 5;

// What another program does to a file in the folder: it made the name first, holds it open,
// deleted it, or changed its bytes.
bool IsInterference(DWORD error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || error == ERROR_SHARING_VIOLATION ||
         error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION || error == ERROR_INVALID_DATA ||
         error == ERROR_FILE_NOT_FOUND || error == ERROR_DELETE_PENDING;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}


// A new file with these bytes; its identity for the check that follows. `created` tells whether
// a file of this run's now lies at the path.
DWORD WriteNew(const char* path, const BYTE* bytes, DWORD size, BY_HANDLE_FILE_INFORMATION& identity, bool& created) {
  created = false;
  // Nobody may write to it or delete it while it is written.
  FileHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ErrorOr(GetLastError(), ERROR_OPEN_FAILED);
  created = true;
  if (DWORD error = WriteAll(file.get(), bytes, size)) return error;
  if (!GetFileInformationByHandle(file.get(), &identity)) return ErrorOr(GetLastError(), ERROR_INVALID_HANDLE);
  return ERROR_SUCCESS;
}

// The CRC-32C of the bytes, computed on a second processor while the first writes them, so that
// the check adds next to nothing to the write. A file smaller than a thread is worth, or one
// where no thread can be made, is checked here after its writing.
constexpr DWORD kBackgroundChecksumBytes = 8u << 20;

class BackgroundChecksum {
 public:
  BackgroundChecksum(const BYTE* bytes, DWORD size) : m_bytes(bytes), m_size(size) {
    if (size >= kBackgroundChecksumBytes) m_thread.reset(CreateThread(nullptr, 0, Compute, this, 0, nullptr));
  }
  ~BackgroundChecksum() { Result(); }
  BackgroundChecksum(const BackgroundChecksum&) = delete;
  BackgroundChecksum& operator=(const BackgroundChecksum&) = delete;

  uint32_t Result() {
    if (m_thread) {
      WaitForSingleObject(m_thread.get(), INFINITE);
      m_thread.reset();
    } else if (!m_done) {
      m_crc = Crc32c(m_bytes, m_size);
    }
    m_done = true;
    return m_crc;
  }

 private:
  static DWORD WINAPI Compute(void* self) {
    auto* checksum = static_cast<BackgroundChecksum*>(self);
    checksum->m_crc = Crc32c(checksum->m_bytes, checksum->m_size);
    return 0;
  }

  const BYTE* m_bytes;
  DWORD m_size;
  uint32_t m_crc = 0;
  bool m_done = false;
  KernelHandle m_thread;
};

// Views of the file set against the bytes they must hold: every `stride`-th view from `first`, until
// one differs or cannot be read, here or in the other half of the comparison.
struct ViewComparison {
  HANDLE mapping;
  const BYTE* bytes;
  DWORD size;
  DWORD first;
  DWORD stride;
  volatile LONG* failed;  // shared by both halves: a failure ends the other half too
  DWORD error;
};

void CompareViews(ViewComparison& work) {
  for (DWORD index = work.first; InterlockedCompareExchange(work.failed, 0, 0) == 0; index += work.stride) {
    if (static_cast<ULONGLONG>(index) * kViewSize >= work.size) return;
    DWORD offset = index * kViewSize;
    DWORD length = work.size - offset < kViewSize ? work.size - offset : kViewSize;
    const void* view = MapViewOfFile(work.mapping, FILE_MAP_READ, 0, offset, length);
    bool same = view != nullptr && memcmp(view, work.bytes + offset, length) == 0;
    if (view == nullptr) work.error = ErrorOr(GetLastError(), ERROR_READ_FAULT);
    if (view != nullptr) UnmapViewOfFile(view);
    VirtualUnlock(const_cast<BYTE*>(work.bytes + offset), length);  // the pages may leave the working set again
    if (!same) {
      if (work.error == ERROR_SUCCESS) work.error = ERROR_INVALID_DATA;
      InterlockedExchange(work.failed, 1);
      return;
    }
  }
}

DWORD WINAPI CompareViewsThread(void* work) {
  CompareViews(*static_cast<ViewComparison*>(work));
  return 0;
}

// The file held open for reading only, sharing nothing but reading (the loader, CreateProcess and
// Windows Installer ask for no more), when it is still the file written and (unless `trusted`:
// nobody else could change it) holds these bytes.
DWORD HoldUnchanged(const char* path, const BYTE* bytes, DWORD size, const BY_HANDLE_FILE_INFORMATION& identity,
                    bool trusted, FileHandle& held) {
  FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ErrorOr(GetLastError(), ERROR_OPEN_FAILED);
  BY_HANDLE_FILE_INFORMATION now = {};
  if (!GetFileInformationByHandle(file.get(), &now)) return ErrorOr(GetLastError(), ERROR_INVALID_HANDLE);
  if (!SameFile(now, identity) || now.nFileSizeHigh != 0 || now.nFileSizeLow != size) return ERROR_INVALID_DATA;
  if (trusted) {
    held = std::move(file);
    return ERROR_SUCCESS;
  }
  // Compared through views of the file: the pages the write just left in the cache are read in
  // place, not copied once more. A file of several views is compared in two halves at once, on two
  // processors where there are two: the comparison is bound by how fast memory is read.
  KernelHandle mapping(CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return ErrorOr(GetLastError(), ERROR_READ_FAULT);
  volatile LONG failed = 0;
  ViewComparison halves[2] = {{mapping.get(), bytes, size, 0, 2, &failed, ERROR_SUCCESS},
                              {mapping.get(), bytes, size, 1, 2, &failed, ERROR_SUCCESS}};
  KernelHandle helper;
  if (size > kViewSize) helper.reset(CreateThread(nullptr, 0, CompareViewsThread, &halves[1], 0, nullptr));
  if (!helper) halves[0].stride = 1;  // one view, or no second thread: all of it here
  CompareViews(halves[0]);
  if (helper) WaitForSingleObject(helper.get(), INFINITE);
  if (DWORD error = ErrorOr(halves[0].error, halves[1].error)) return error;
  held = std::move(file);
  return ERROR_SUCCESS;
}

}  // namespace

AfterWorkFileWrittenFn g_AfterWorkFileWritten = nullptr;

std::string SpaceToFree(const char* folder) {
  char volume[MAX_PATH] = {};
  if (folder != nullptr && folder[0] != '\0' && GetVolumePathNameA(folder, volume, MAX_PATH)) return volume;
  std::string parent = folder != nullptr ? folder : "";
  while (!parent.empty() && parent.back() == '\\') parent.pop_back();
  size_t separator = parent.rfind('\\');
  return separator == std::string::npos ? parent : parent.substr(0, separator + 1);
}

DWORD WriteAll(HANDLE file, const BYTE* bytes, DWORD size, uint32_t* crc) {
  for (DWORD done = 0; done < size;) {
    const BYTE* piece = bytes + done;
    DWORD want = size - done < kChunk ? size - done : kChunk;
    DWORD written = 0;
    BOOL wrote = WriteFile(file, piece, want, &written, nullptr);
    DWORD error = GetLastError();
    if (wrote && crc != nullptr) *crc = Crc32c(piece, written, *crc);
    VirtualUnlock(const_cast<BYTE*>(piece), want);  // Windows then drops the pages from the working set
    if (!wrote) return ErrorOr(error, ERROR_WRITE_FAULT);
    // A short write (a disk that has just filled up) goes on with the rest, which then tells
    // why; one that writes nothing at all would never end.
    if (written == 0) return ERROR_WRITE_FAULT;
    done += written;
  }
  return ERROR_SUCCESS;
}

DWORD Bootstrapper::PlaceInWorkFolder(const char* fileName, const BYTE* bytes, DWORD size, char (&path)[260],
                                      FileHandle& held, const uint32_t* recordedCrc) {
  held.reset();
  path[0] = '\0';
  if (!m_WorkFolderHold) {
    LogMessage(this, "ExtractResource - There is no working folder to write %s to.", fileName);
    return ERROR_PATH_NOT_FOUND;
  }
  char folder[260] = {};
  CopyCut(folder, m_szTempFolder);
  std::unique_ptr<BackgroundChecksum> checksum;
  if (recordedCrc != nullptr) checksum.reset(new BackgroundChecksum(bytes, size));
  for (int attempt = 1;; attempt++) {
    if (FormatCut(path, "%s%s", folder, fileName) >= sizeof(path) - 1) {
      LogMessage(this, "ExtractResource - The path of %s in %s is too long.", fileName, folder);
      path[0] = '\0';
      return ERROR_FILENAME_EXCED_RANGE;
    }
    BY_HANDLE_FILE_INFORMATION identity = {};
    bool created = false;
    DWORD error = WriteNew(path, bytes, size, identity, created);
    TraceMark("write", fileName);
    const uint32_t crc = error == ERROR_SUCCESS && checksum ? checksum->Result() : 0;
    if (checksum) TraceMark("checksum: waited for", fileName);
    if (error == ERROR_SUCCESS && checksum && crc != *recordedCrc) {
      DeleteFileA(path);  // nothing of a damaged file is run or loaded
      LogMessage(this, "ExtractResource - The bytes of %s are damaged: their CRC-32C is %08lX, and the package "
                 "recorded %08lX.",
                 fileName, static_cast<unsigned long>(crc), static_cast<unsigned long>(*recordedCrc));
      path[0] = '\0';
      return ERROR_CRC;
    }
    if (error == ERROR_SUCCESS && g_AfterWorkFileWritten != nullptr) g_AfterWorkFileWritten(path);
    if (error == ERROR_SUCCESS) error = HoldUnchanged(path, bytes, size, identity, m_bWorkFolderTrusted, held);
    TraceMark("check", fileName);
    if (error == ERROR_SUCCESS) return ERROR_SUCCESS;
    // What this run wrote goes: a cut-off or changed file must not be taken for the real one.
    if (created) DeleteFileA(path);
    if (!IsInterference(error) || attempt == kPlaceAttempts) {
      if (created)
        LogMessage(this, "ExtractResource - Failed to write to the resource output file. Error: %lu", error);
      else
        LogMessage(this, "ExtractResource - Failed to create the resource output file. Error: %lu", error);
      LogMessage(this, "ExtractResource - Resource output file: %s.", path);
      return error;
    }
    LogMessage(this, "ExtractResource - Another program made, changed or opened the file %s. Error: %lu", path, error);

    // Inside the working folder, so that it has the same access and goes with it.
    unsigned char random[kWorkFolderRandomBytes] = {};
    if (GenerateRandom(random, sizeof(random))) {
      char name[kWorkFolderNameSize] = {};
      FormatWorkFolderName(random, name);
      char subfolder[260] = {};
      FormatCut(subfolder, "%s%s", m_szTempFolder, name);
      if (CreateDirectoryA(subfolder, nullptr)) {
        FormatCut(folder, "%s\\", subfolder);
        LogMessage(this, "ExtractResource - Writing the file again in the new folder %s.", folder);
      }
    }
  }
}
