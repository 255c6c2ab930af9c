#include "trust/WorkFolder.h"

#include <aclapi.h>
#include <ntsecapi.h>
#include <sddl.h>

#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "core/Trace.h"
#include "trust/HeldPath.h"
#include "trust/Token.h"
#include "trust/WorkFolderRules.h"

namespace {

// How deep the removal goes: the engine makes one level of folders for files it writes again.
constexpr int kRemoveDepth = 4;
constexpr int kNameAttempts = 4;
constexpr int kRemoveAttempts = 20;
constexpr DWORD kRemoveRetryMs = 25;

// The share mode of the run's hold on its folder: others may list it and work in it, but
// nobody can delete, rename or replace it while the run lasts.
constexpr DWORD kFolderHoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

class LocalMemory {
 public:
  LocalMemory() = default;
  ~LocalMemory() {
    if (m_memory != nullptr) LocalFree(m_memory);
  }
  LocalMemory(const LocalMemory&) = delete;
  LocalMemory& operator=(const LocalMemory&) = delete;
  void** put() { return &m_memory; }
  void* get() const { return m_memory; }

 private:
  void* m_memory = nullptr;
};

// A folder that exists as a folder, not as a link to one.
bool IsPlainFolder(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         !IsReparsePoint(attributes);
}

FileHandle OpenFolder(const char* path, DWORD access, DWORD share) {
  return FileHandle(CreateFileA(path, access, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// The handle is a folder itself, not a link that was put in its place.
bool HoldsPlainFolder(HANDLE folder) {
  BY_HANDLE_FILE_INFORMATION information = {};
  return GetFileInformationByHandle(folder, &information) &&
         (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         !IsReparsePoint(information.dwFileAttributes);
}

// Deletes an emptied folder through its handle. Another program may look into a folder for a
// moment just after it was emptied (Windows' indexer and virus scanners do, and so does Wine),
// and the folder goes only once nobody has it open: that is waited out.
bool RemoveEmptyFolder(FileHandle folder, const char* path, DWORD& error) {
  error = DeleteThroughHandle(folder.get());
  folder.reset();
  if (error != ERROR_SUCCESS) return false;
  for (int attempt = 0; GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; attempt++) {
    if (attempt == kRemoveAttempts) {
      error = ERROR_DIR_NOT_EMPTY;
      return false;
    }
    Sleep(kRemoveRetryMs);
  }
  return true;
}

// What a removal opens: to list a folder, to clear a read-only file, and to delete either.
constexpr DWORD kRemoveAccess = DELETE | FILE_LIST_DIRECTORY | FILE_WRITE_ATTRIBUTES;
// Nobody may delete, rename or replace it while the removal looks at it.
constexpr DWORD kRemoveShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The working folder without its trailing backslash.
void WorkFolderPath(const char* folderWithSlash, char (&folder)[MAX_PATH]) {
  size_t length = CopyCut(folder, folderWithSlash);
  if (length > 0 && folder[length - 1] == '\\') folder[length - 1] = '\0';
}

bool OnlyAdministratorsWrite(const std::string& security) {
  return OnlyAdministratorsMayWrite(security.c_str()) && CreatesForAdministrators();
}

}  // namespace

WorkFolderTrustFn g_WorkFolderTrusted = OnlyAdministratorsWrite;

bool GenerateRandom(BYTE* bytes, DWORD size) {
  // The system's own generator, which the cryptographic providers draw on too: asking a provider
  // first would load it and read its configuration for no better bytes.
  if (RtlGenRandom(bytes, size)) return true;
  if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_GEN_FAILURE);
  return false;
}

std::string ReadOwnerAndDacl(HANDLE file) {
  const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  LocalMemory descriptor;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, parts, nullptr, nullptr, nullptr, nullptr,
                      reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put())) != ERROR_SUCCESS)
    return "";
  char* text = nullptr;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor.get(), SDDL_REVISION_1, parts, &text, nullptr))
    return "";
  std::string sddl = text;
  LocalFree(text);
  return sddl;
}

bool RemoveFolderContents(HANDLE folder, const char* path, int depth, DWORD& error) {
  // The listing comes through the handle, a piece at a time.
  alignas(LONGLONG) BYTE listing[16384];
  bool empty = true;
  auto fail = [&empty, &error](DWORD entryError) {
    if (empty && error == ERROR_SUCCESS) error = entryError != ERROR_SUCCESS ? entryError : ERROR_DIR_NOT_EMPTY;
    empty = false;
  };
  for (FILE_INFO_BY_HANDLE_CLASS what = FileIdBothDirectoryRestartInfo;; what = FileIdBothDirectoryInfo) {
    if (!GetFileInformationByHandleEx(folder, what, listing, sizeof(listing))) {
      DWORD listError = GetLastError();
      if (listError != ERROR_NO_MORE_FILES) fail(listError);
      return empty;
    }
    for (const BYTE* entry = listing;;) {
      const auto* found = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(entry);
      char name[MAX_PATH] = {};
      BOOL lossy = FALSE;  // (a UTF-8 code page spells every name, and takes no such flag)
      int length = WideCharToMultiByte(CP_ACP, 0, found->FileName, static_cast<int>(found->FileNameLength / 2), name,
                                       MAX_PATH - 1, nullptr, GetACP() == CP_UTF8 ? nullptr : &lossy);
      name[length > 0 ? length : 0] = '\0';
      if (strcmp(name, ".") != 0 && strcmp(name, "..") != 0) {
        char childPath[MAX_PATH] = {};
        DWORD entryError = ERROR_SUCCESS;
        FileHandle child;
        if (length <= 0 || lossy || FormatCut(childPath, "%s\\%s", path, name) >= sizeof(childPath) - 1)
          entryError = ERROR_FILENAME_EXCED_RANGE;  // a name the code page cannot spell is left alone
        else
          entryError = OpenInFolder(folder, name, kRemoveAccess, kRemoveShare, FILE_OPEN, 0, child);
        // What the handle is, not what the listing said: a link is left as it is, and what it points to.
        if (entryError == ERROR_SUCCESS) entryError = CheckNotLink(child.get(), childPath);
        BY_HANDLE_FILE_INFORMATION information = {};
        if (entryError == ERROR_SUCCESS && !GetFileInformationByHandle(child.get(), &information))
          entryError = GetLastError();
        if (entryError == ERROR_SUCCESS) {
          if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            if (depth <= 0)
              entryError = ERROR_DIR_NOT_EMPTY;
            else if (!RemoveFolderContents(child.get(), childPath, depth - 1, entryError))
              entryError = entryError != ERROR_SUCCESS ? entryError : ERROR_DIR_NOT_EMPTY;
          } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
            FILE_BASIC_INFO basic = {};
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
            SetFileInformationByHandle(child.get(), FileBasicInfo, &basic, sizeof(basic));
          }
        }
        if (entryError == ERROR_SUCCESS) entryError = DeleteThroughHandle(child.get());
        if (entryError != ERROR_SUCCESS) fail(entryError);
      }
      if (found->NextEntryOffset == 0) break;
      entry += found->NextEntryOffset;
    }
  }
}

void Bootstrapper::CreateWorkFolder() {
  const bool elevated = RunsElevated();
  char sddl[300] = {};
  if (!WorkFolderSddl(elevated, UserSidString().c_str(), sddl, sizeof(sddl))) {
    LogMessage(this, "CreateWorkFolder - The user's security identifier could not be read; there is no working folder.");
    return;
  }
  LocalMemory descriptor;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
          sddl, SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()), nullptr)) {
    DWORD error = GetLastError();
    LogMessage(this, "CreateWorkFolder - The working folder's security descriptor %s was refused. Error: %lu.", sddl,
               error);
    return;
  }
  SECURITY_ATTRIBUTES security = {sizeof(security), descriptor.get(), FALSE};
  TraceMark("working folder: rights and DACL");

  // Elevated, the folder lies where only administrators can write: the Windows folder's
  // SystemTemp where there is one (a Windows that lets only SYSTEM in falls back to Temp). The
  // system's Windows folder, that is: on a Remote Desktop host, GetWindowsDirectory may name a
  // folder of the user's own.
  char parents[2][MAX_PATH] = {};
  int parentCount = 0;
  if (elevated) {
    char windows[MAX_PATH] = {};
    UINT length = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      FormatCut(parents[parentCount], "%s\\SystemTemp", windows);
      if (IsPlainFolder(parents[parentCount])) parentCount++;
      FormatCut(parents[parentCount++], "%s\\Temp", windows);
    }
  } else if (m_szUserTemp[0] != '\0') {
    CopyCut(parents[parentCount++], m_szUserTemp);
    size_t length = strlen(parents[0]);
    if (length > 0 && parents[0][length - 1] == '\\') parents[0][length - 1] = '\0';
  }

  DWORD error = ERROR_PATH_NOT_FOUND;
  for (int p = 0; p < parentCount; p++) {
    for (int attempt = 0; attempt < kNameAttempts; attempt++) {
      BYTE random[kWorkFolderRandomBytes] = {};
      if (!GenerateRandom(random, sizeof(random))) {
        error = GetLastError();
        break;
      }
      TraceMark("working folder: randomness");
      char name[kWorkFolderNameSize] = {};
      FormatWorkFolderName(random, name);
      char path[MAX_PATH] = {};
      if (FormatCut(path, "%s\\%s", parents[p], name) + 2 >= sizeof(m_szTempFolder)) {
        error = ERROR_FILENAME_EXCED_RANGE;
        break;
      }
      const BOOL made = CreateDirectoryA(path, &security);
      TraceMark("working folder: made");
      if (!made) {
        error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS) continue;  // never a folder that is already there
        break;
      }
      FileHandle hold = OpenFolder(path, FILE_LIST_DIRECTORY | READ_CONTROL | SYNCHRONIZE, kFolderHoldShare);
      if (!hold || !HoldsPlainFolder(hold.get())) {
        // Replaced between its making and its opening: not this run's folder any more.
        error = hold ? ERROR_REPARSE_ATTRIBUTE_CONFLICT : GetLastError();
        LogMessage(this, "CreateWorkFolder - The new folder %s was replaced before it could be held. Error: %lu.", path,
                   error);
        continue;
      }
      m_WorkFolderHold = std::move(hold);
      m_WorkFolderSecurity = ReadOwnerAndDacl(m_WorkFolderHold.get());
      TraceMark("working folder: hold");
      FormatCut(m_szTempFolder, "%s\\", path);
      LogMessage(this, "CreateWorkFolder - Working folder: %s.", m_szTempFolder);
      // Elevated, in a folder whose access list reads back as only SYSTEM's and the
      // administrators', the files written are trusted as written: nobody else can change one
      // between its writing and its holding. Anywhere else (a run without elevation, a file system
      // without access lists, Wine) their bytes are read back.
      m_bWorkFolderTrusted = elevated && g_WorkFolderTrusted(m_WorkFolderSecurity);
      if (m_bWorkFolderTrusted)
        LogMessage(this, "CreateWorkFolder - Only SYSTEM and the administrators can change the files of the working "
                   "folder: what is written there is not read back.");
      return;
    }
    LogMessage(this, "CreateWorkFolder - Could not make a working folder in %s. Error: %lu.", parents[p], error);
  }
  LogMessage(this, "CreateWorkFolder - There is no working folder; nothing can be extracted. Error: %lu.", error);
}

void Bootstrapper::RemoveStaleWorkFolders() {
  if (!m_WorkFolderHold) return;
  // The folder's own path splits into where it lies and its name.
  char parent[MAX_PATH] = {};
  WorkFolderPath(m_szTempFolder, parent);
  char* separator = strrchr(parent, '\\');
  if (separator == nullptr) return;
  *separator = '\0';
  const char* ownName = separator + 1;
  char pattern[MAX_PATH] = {};
  FormatCut(pattern, "%s\\%s*", parent, kWorkFolderPrefix);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const char* name = found.cFileName;
    if (!IsWorkFolderName(name) || lstrcmpiA(name, ownName) == 0) continue;
    char path[MAX_PATH] = {};
    if (FormatCut(path, "%s\\%s", parent, name) >= sizeof(path) - 1) continue;
    if (IsReparsePoint(found.dwFileAttributes)) {
      LogMessage(this, "RemoveStaleWorkFolders - Left %s alone: it is a link, not a folder.", path);
      continue;
    }
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
    // Asking for delete access fails while any process holds the folder: a run that still
    // lasts, or an installer that runs in it. Held so, nobody can swap it for a link either.
    FileHandle folder = OpenFolder(path, kRemoveAccess | READ_CONTROL | SYNCHRONIZE, kRemoveShare);
    if (!folder) {
      DWORD error = GetLastError();
      LogMessage(this, "RemoveStaleWorkFolders - %s is in use; a later run removes it. Error: %lu.", path, error);
      continue;
    }
    if (!HoldsPlainFolder(folder.get()) || CheckNotLink(folder.get(), path) != ERROR_SUCCESS) {
      LogMessage(this, "RemoveStaleWorkFolders - Left %s alone: it is a link, not a folder.", path);
      continue;
    }
    // Anyone may make a folder of any name; only one owned and shut as this run's own is ours.
    if (m_WorkFolderSecurity.empty() || ReadOwnerAndDacl(folder.get()) != m_WorkFolderSecurity) {
      LogMessage(this, "RemoveStaleWorkFolders - Left %s alone: its owner and access are not this engine's.", path);
      continue;
    }
    DWORD error = ERROR_SUCCESS;
    bool emptied = RemoveFolderContents(folder.get(), path, kRemoveDepth, error);
    if (emptied && !RemoveEmptyFolder(std::move(folder), path, error)) emptied = false;
    if (emptied && error == ERROR_SUCCESS)
      LogMessage(this, "RemoveStaleWorkFolders - Removed the working folder %s of an earlier run.", path);
    else
      LogMessage(this, "RemoveStaleWorkFolders - Could not remove all of %s; a later run tries again. Error: %lu.", path,
                 error);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

void Bootstrapper::RemoveWorkFolder() {
  if (!m_WorkFolderHold) return;
  char folder[MAX_PATH] = {};
  WorkFolderPath(m_szTempFolder, folder);
  // The hold has no delete access, so that installers may run in the folder: the removal opens it
  // once more, and makes sure that it is the folder that was held.
  BY_HANDLE_FILE_INFORMATION held = {}, opened = {};
  bool known = GetFileInformationByHandle(m_WorkFolderHold.get(), &held) != FALSE;
  m_WorkFolderHold.reset();
  // A program that looks into the folder at this moment may hold it without delete sharing (an
  // indexer or a virus scanner; under Wine, any listing of it): that moment is waited out.
  FileHandle removal;
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; !removal; attempt++) {
    removal = OpenFolder(folder, kRemoveAccess | SYNCHRONIZE, kRemoveShare);
    error = removal ? ERROR_SUCCESS : GetLastError();
    if (!removal && error == ERROR_SUCCESS) error = ERROR_OPEN_FAILED;
    if (error != ERROR_SHARING_VIOLATION || attempt == kRemoveAttempts) break;
    Sleep(kRemoveRetryMs);
  }
  if (removal && (!known || !GetFileInformationByHandle(removal.get(), &opened) ||
                  held.dwVolumeSerialNumber != opened.dwVolumeSerialNumber ||
                  held.nFileIndexHigh != opened.nFileIndexHigh || held.nFileIndexLow != opened.nFileIndexLow))
    error = kErrorLinkOnPath;
  bool emptied = error == ERROR_SUCCESS && RemoveFolderContents(removal.get(), folder, kRemoveDepth, error);
  if (emptied && !RemoveEmptyFolder(std::move(removal), folder, error)) emptied = false;
  if (!emptied)
    LogMessage(this, "RemoveWorkFolder - Could not remove the working folder %s; a later run removes it. Error: %lu.",
               folder, error);
}
